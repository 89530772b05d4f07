// Role "snapshot": renders the visualiser page with the built-in scene to
// PNG files, one per view, for the documentation.
#include "Ed2Scene.h"
#include "SimRole.h"

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

int Run(const QStringList& args) {
    QStringList paths;
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i).startsWith(QLatin1String("--"))) {
            if (!args.at(i).contains(QLatin1Char('=')))
                ++i; // its value
            continue;
        }
        paths << args.at(i);
    }
    if (paths.size() != 2) {
        Sim::Say(QStringLiteral("snapshot: give two PNG paths, top view then front view"));
        return 2;
    }
    bool ok = false;
    const double seconds =
        Sim::Option(args, QStringLiteral("time"), QStringLiteral("2")).toDouble(&ok);
    const uint selected =
        ok ? Sim::Option(args, QStringLiteral("presentation"), QStringLiteral("0")).toUInt(&ok) : 0;
    const int objects =
        ok ? Sim::Option(args, QStringLiteral("objects"), QStringLiteral("-1")).toInt(&ok) : 0;
    if (!ok || objects > 16) {
        Sim::Say(QStringLiteral("snapshot: bad --time, --presentation or --objects"));
        return 2;
    }
    dlb_pwk_pa_status scene = Ed2Scene::Animated(seconds, selected, objects);
    const QString description = Sim::Option(args, QStringLiteral("describe"));
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
            "TOP.png FRONT.png [--time S] [--presentation N] [--objects N] [--describe TEXT]\n"
            "  Draws the built-in ED2 scene at S seconds (default 2), or a described one\n"
            "  (format as for 'unit-sim ed2'), offscreen, and writes the top and front views.",
            Run, /*widgets=*/true});

} // namespace
