// Role "render": plays a recording through the visualiser page offscreen and
// writes what the page drew, with the recording's timing, as an animated WebP
// or as numbered PNG files.
#include "tools/unit-sim/FrameSinks.h"
#include "tools/unit-sim/PagePlayer.h"
#include "tools/unit-sim/PlayRange.h"
#include "tools/unit-sim/SimRole.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFont>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

// The strip below the picture that --stamp writes in: the picture itself
// stays as the panel shows it.
constexpr int kStampHeight = 16;

void Options(QCommandLineParser& parser) {
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The recording to render."),
                                 QStringLiteral("FILE"));
    parser.addPositionalArgument(
        QStringLiteral("out"),
        QStringLiteral("The animated WebP to write; with --frames, a new or empty directory."),
        QStringLiteral("OUT"));
    PlayRange::AddOptions(parser);
    Sim::AddFlag(parser, QStringLiteral("frames"),
                 QStringLiteral("Write numbered PNG files and frames.txt into OUT instead."));
    Sim::AddFlag(parser, QStringLiteral("stamp"),
                 QStringLiteral("Write each frame's time in a strip below the picture."));
}

// The wall-clock time of the moment and its offset in the recording.
QImage Stamped(const QImage& picture, qint64 iStartMs, std::uint64_t uTimeUs) {
    const QString text = QStringLiteral("%1  +%2 s")
                             .arg(QDateTime::fromMSecsSinceEpoch(
                                      iStartMs + static_cast<qint64>(uTimeUs / 1000), Qt::UTC)
                                      .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz 'UTC'")))
                             .arg(static_cast<double>(uTimeUs) / 1e6, 0, 'f', 3);
    QImage frame(picture.width(), picture.height() + kStampHeight, QImage::Format_RGB32);
    frame.fill(Qt::black);
    QPainter painter(&frame);
    painter.drawImage(0, 0, picture);
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPixelSize(11);
    painter.setFont(font);
    painter.setPen(QColor(170, 170, 170));
    painter.drawText(QRect(4, picture.height(), picture.width() - 8, kStampHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, text);
    return frame;
}

// Turns what the page shows after each message into frames: a picture like
// the one before only lengthens that frame, and one that lasted no whole
// millisecond of the output gives way to the next.
class cTimeline {
public:
    explicit cTimeline(cFrameSink* pSink) : mpSink(pSink) {}

    bool Show(const QImage& picture, const QImage& frame, qint64 iAtMs) {
        if (picture == mPicture)
            return true;
        mPicture = picture;
        if (mPendingMs >= 0 && iAtMs > mPendingMs) {
            if (!Flush())
                return false;
            mLastMs = iAtMs - mPendingMs;
        }
        mPendingMs = std::max(mPendingMs, iAtMs);
        mPending = frame;
        return true;
    }
    // Without an end (iEndMs < 0) the last frame lasts as long as the one before.
    bool Finish(qint64 iEndMs) {
        return Flush() && mpSink->Finish(iEndMs > mPendingMs ? iEndMs : mPendingMs + mLastMs);
    }
    int Frames() const { return mFrames; }

private:
    bool Flush() {
        ++mFrames;
        return mpSink->Add(mPending, mPendingMs);
    }

    cFrameSink* mpSink;
    QImage mPicture; // the page as last seen, without a stamp
    QImage mPending; // the frame whose end is not known yet
    qint64 mPendingMs = -1;
    qint64 mLastMs = 1000; // a lone frame lasts a second
    int mFrames = 0;
};

int Run(const QCommandLineParser& args) {
    const QStringList positional = args.positionalArguments();
    PlayRange::sRange range;
    if (positional.size() != 2 || !PlayRange::Parse(args, &range)) {
        Sim::Complain(QStringLiteral(
            "render: give FILE and OUT; --speed above 0, --from and --to not negative"));
        return 2;
    }
    const QString file = positional.at(0);
    const QString out = positional.at(1);
    const bool bFrames = args.isSet(QStringLiteral("frames"));
    const bool bStamp = args.isSet(QStringLiteral("stamp"));
    // Frames of an earlier run would mix with ours.
    if (bFrames && (!QDir(out).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden) ||
                    !QDir().mkpath(out))) {
        Sim::Complain(QStringLiteral("render: %1 is not a new or empty directory").arg(out));
        return 2;
    }
    Recording::cReader reader;
    const PlayRange::FilePtr pFile = PlayRange::OpenRecording("render", file, &reader);
    if (!pFile)
        return 1;
    cPagePlayer player;
    if (!player.Ready()) {
        Sim::Complain(QStringLiteral("render: the page cannot be wired to its subscribers"));
        return 1;
    }
    const std::unique_ptr<cFrameSink> pSink =
        bFrames ? std::unique_ptr<cFrameSink>(new cPngSeriesSink(out))
                : std::unique_ptr<cFrameSink>(new cWebpSink(out));
    cTimeline timeline(pSink.get());
    const auto showAt = [&](std::uint64_t uTimeUs) {
        uTimeUs = std::max(uTimeUs, range.fromUs); // times never run back before the start
        const QImage picture = player.Picture();
        return timeline.Show(picture,
                             bStamp ? Stamped(picture, reader.StartMs(), uTimeUs) : picture,
                             std::llround(range.PlayUs(uTimeUs) / 1000.0));
    };

    QElapsedTimer clock;
    clock.start();
    Recording::cMessage message;
    auto next = Recording::cReader::eNext::End;
    bool bOk = true, bStarted = false, bPastTo = false;
    std::uint64_t lastUs = range.fromUs;
    while (bOk && !Sim::Stopping() &&
           (next = reader.Next(&message)) == Recording::cReader::eNext::Message) {
        if (message.uTimeUs > range.toUs) {
            bPastTo = true;
            break;
        }
        // Messages before --from still set the page up: the first frame is what
        // the panel showed then. Without --from the first message starts it.
        if (!bStarted && message.uTimeUs >= range.fromUs) {
            bStarted = true;
            if (range.bFromSet)
                bOk = showAt(range.fromUs);
            else
                range.fromUs = message.uTimeUs;
        }
        if (player.Apply(message) && bStarted && bOk) {
            bOk = showAt(message.uTimeUs);
            lastUs = std::max(lastUs, message.uTimeUs);
        }
    }
    if (bOk && !bStarted)
        bOk = showAt(range.fromUs);
    if (PlayRange::StoppedEarly(next))
        Sim::Say(
            QStringLiteral("render: %1 %2").arg(file, QString::fromStdString(reader.StopText())));
    // Past --to the recording goes on: the last picture stays until then.
    if (bPastTo)
        lastUs = range.toUs;
    if (!bOk || !timeline.Finish(bPastTo ? std::llround(range.PlayUs(range.toUs) / 1000.0) : -1)) {
        Sim::Complain(QStringLiteral("render: %1").arg(pSink->Error()));
        return 1;
    }
    const double seconds = static_cast<double>(lastUs - range.fromUs) / 1e6;
    const double took = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    Sim::Say(QStringLiteral("render: %1: %2 frames, %3 s of the recording rendered in %4 s (%5 "
                            "times real time)")
                 .arg(out)
                 .arg(timeline.Frames())
                 .arg(seconds, 0, 'f', 3)
                 .arg(took, 0, 'f', 3)
                 .arg(took > 0 ? seconds / took : 0.0, 0, 'f', 1));
    return 0;
}

const SimRoleRegistration kRegistration(
    "render",
    SimRole{"plays a recording through the visualiser page and writes an animated image",
            "Applies what changes the picture (ED2 events, the peer's view and marker\n"
            "commands, decoder settings and presets) to the visualiser page offscreen and\n"
            "writes a frame whenever the picture changes, each lasting until the next as in\n"
            "the recording (divided by --speed): a lossless animated WebP, or with --frames\n"
            "numbered PNG files and frames.txt (start and duration of each, in ms). The\n"
            "first frame is the picture at --from (default: the first message); the last\n"
            "lasts until --to, or as long as the one before. A recording cut short renders\n"
            "up to its last whole record and says where it stopped.",
            Options, Run, /*widgets=*/true});

} // namespace
