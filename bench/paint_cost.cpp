// Work of the visualiser's GUI thread per frame, for an instruction counter
// (callgrind, or qemu-user with bench/qemu_insn_count.c):
//   paint_cost full|view|objects|some|event|stream|walk|decode|lists FRAMES
// Everything before the frames (start-up, the page shown and painted, a few
// warm-up frames) is the same for any FRAMES, so the count of a run of 0
// frames, subtracted, leaves FRAMES frames. See scripts/paint-cost.sh.
#include "bench/BusyScene.h"

#include <QApplication>
#include <QFont>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    const struct {
        const char* pName;
        cBusyScene::Kind kind;
    } kinds[] = {
        {"full", cBusyScene::Kind::Full},           {"view", cBusyScene::Kind::ViewChange},
        {"objects", cBusyScene::Kind::ObjectsOnly}, {"some", cBusyScene::Kind::SomeObjects},
        {"event", cBusyScene::Kind::Event},         {"stream", cBusyScene::Kind::Stream},
        {"walk", cBusyScene::Kind::Walk},           {"decode", cBusyScene::Kind::Decode},
        {"lists", cBusyScene::Kind::Lists}};
    const auto* pKind =
        argc == 3 ? std::find_if(std::begin(kinds), std::end(kinds),
                                 [&](const auto& k) { return std::strcmp(k.pName, argv[1]) == 0; })
                  : std::end(kinds);
    if (pKind == std::end(kinds)) {
        std::fprintf(stderr, "usage: paint_cost full|view|objects|some|event|stream|walk|decode|"
                             "lists FRAMES\n");
        return 2;
    }
    const int frames = std::atoi(argv[2]);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans")));
    cBusyScene scene(pKind->kind);
    for (int i = 0; i < frames; ++i)
        scene.Frame();
    std::printf("%s: %d frames, %d paints, %lld pixels painted, %zu walked\n", pKind->pName, frames,
                scene.Paints(), scene.Pixels(), scene.Walked());
    return 0;
}
