// Role "snapshot": renders the visualiser page with the built-in scene to
// PNG files, one per view, for the documentation.
#include "tools/unit-sim/Ed2Scene.h"
#include "tools/unit-sim/SimRole.h"

#include "visualiser/PageDolbyVisualiser.h"
#include "visualiser/RenderArea.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>

namespace {

int Render(const QString& topPath, const QString& frontPath, const dlb_pwk_pa_status& scene) {
    dlb_pwk_pa_status status =
        scene; // the page keeps a pointer to it, like the subscriber's record
    cPageDolbyVisualiser page;
    const QRect area(QPoint(0, 0), page.Area()->sizeHint());
    const struct {
        const char* pView;
        const QString& path;
    } shots[] = {{"Top View", topPath}, {"Front View", frontPath}};
    for (const auto& shot : shots) {
        page.sltSetVisualiserView(shot.pView);
        page.sltSetDolbyED2Data(&status);
        const QImage image = page.grab(area).toImage();
        if (!image.save(shot.path, "PNG")) {
            Sim::Say(QStringLiteral("snapshot: cannot write %1").arg(shot.path));
            return 1;
        }
        Sim::Say(QStringLiteral("snapshot: %1 -> %2 (%3)")
                     .arg(QLatin1String(shot.pView), shot.path, Ed2Scene::Summary(status)));
    }
    return 0;
}

void Options(QCommandLineParser& parser) {
    parser.addPositionalArgument(QStringLiteral("top"), QStringLiteral("PNG of the top view."),
                                 QStringLiteral("TOP.png"));
    parser.addPositionalArgument(QStringLiteral("front"), QStringLiteral("PNG of the front view."),
                                 QStringLiteral("FRONT.png"));
    Sim::AddValue(parser, QStringLiteral("time"), QStringLiteral("S"),
                  QStringLiteral("Time of the animated scene (default 2)."), QStringLiteral("2"));
    Sim::AddValue(parser, QStringLiteral("presentation"), QStringLiteral("N"),
                  QStringLiteral("Selected presentation (default 0)."), QStringLiteral("0"));
    Sim::AddValue(parser, QStringLiteral("objects"), QStringLiteral("N"),
                  QStringLiteral("Objects in the scene (0 to 16)."), QStringLiteral("-1"));
    Sim::AddValue(parser, QStringLiteral("describe"), QStringLiteral("TEXT"),
                  QStringLiteral("A described scene instead (as for 'unit-sim ed2')."));
}

int Run(const QCommandLineParser& args) {
    const QStringList paths = args.positionalArguments();
    if (paths.size() != 2) {
        Sim::Say(QStringLiteral("snapshot: give two PNG paths, top view then front view"));
        return 2;
    }
    bool ok = false;
    const double seconds = args.value(QStringLiteral("time")).toDouble(&ok);
    const uint selected = ok ? args.value(QStringLiteral("presentation")).toUInt(&ok) : 0;
    const int objects = ok ? args.value(QStringLiteral("objects")).toInt(&ok) : 0;
    if (!ok || objects > 16) {
        Sim::Say(QStringLiteral("snapshot: bad --time, --presentation or --objects"));
        return 2;
    }
    dlb_pwk_pa_status scene = Ed2Scene::Animated(seconds, selected, objects);
    const QString description = args.value(QStringLiteral("describe"));
    QString error;
    if (!description.isEmpty() && !Ed2Scene::Parse(description, &scene, &error)) {
        Sim::Say(QStringLiteral("snapshot: bad scene: %1").arg(error));
        return 2;
    }

    return Render(paths.at(0), paths.at(1), scene);
}

const SimRoleRegistration kRegistration(
    "snapshot",
    SimRole{"renders the visualiser page in both views to PNG files",
            "Draws the built-in ED2 scene at S seconds (default 2), or a described one\n"
            "(format as for 'unit-sim ed2'), offscreen, and writes the top and front views.",
            Options, Run, /*widgets=*/true});

} // namespace
