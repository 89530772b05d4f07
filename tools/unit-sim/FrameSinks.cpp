#include "tools/unit-sim/FrameSinks.h"

#include <QBuffer>
#include <QDir>
#include <QSaveFile>

#include <webp/encode.h>
#include <webp/mux.h>

namespace {

bool WriteFile(const QString& path, const char* pData, qint64 iSize, QString* pError) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(pData, iSize) == iSize && file.commit())
        return true;
    *pError = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return false;
}

} // namespace

cWebpSink::cWebpSink(QString path) : mPath(std::move(path)) {}

cWebpSink::~cWebpSink() {
    WebPAnimEncoderDelete(mpEncoder);
}

bool cWebpSink::Add(const QImage& frame, qint64 iStartMs) {
    if (!mpEncoder) {
        WebPAnimEncoderOptions options;
        WebPAnimEncoderOptionsInit(&options);
        options.anim_params.loop_count = 0;        // for ever
        options.anim_params.bgcolor = 0xff000000u; // opaque black, as the panel
        mpEncoder = WebPAnimEncoderNew(frame.width(), frame.height(), &options);
    }
    WebPConfig config;
    WebPPicture picture;
    const QImage rgbx = frame.convertToFormat(QImage::Format_RGBX8888);
    bool bOk = mpEncoder && WebPConfigInit(&config) && WebPPictureInit(&picture);
    if (bOk) {
        config.lossless = 1;
        picture.use_argb = 1;
        picture.width = rgbx.width();
        picture.height = rgbx.height();
        bOk = WebPPictureImportRGBX(&picture, rgbx.constBits(),
                                    static_cast<int>(rgbx.bytesPerLine())) &&
              WebPAnimEncoderAdd(mpEncoder, &picture, static_cast<int>(iStartMs), &config);
        WebPPictureFree(&picture);
    }
    if (!bOk)
        mError = QStringLiteral("the WebP encoder refused a frame: %1")
                     .arg(QLatin1String(mpEncoder ? WebPAnimEncoderGetError(mpEncoder) : ""));
    return bOk;
}

bool cWebpSink::Finish(qint64 iEndMs) {
    WebPData data;
    WebPDataInit(&data);
    if (!mpEncoder || !WebPAnimEncoderAdd(mpEncoder, nullptr, static_cast<int>(iEndMs), nullptr) ||
        !WebPAnimEncoderAssemble(mpEncoder, &data)) {
        mError = QStringLiteral("the WebP encoder failed: %1")
                     .arg(QLatin1String(mpEncoder ? WebPAnimEncoderGetError(mpEncoder)
                                                  : "no frame to write"));
        return false;
    }
    const bool bOk = WriteFile(mPath, reinterpret_cast<const char*>(data.bytes),
                               static_cast<qint64>(data.size), &mError);
    WebPDataClear(&data);
    return bOk;
}

QString cPngSeriesSink::FileName(int iFrame) {
    return QStringLiteral("%1.png").arg(iFrame, 6, 10, QLatin1Char('0'));
}

bool cPngSeriesSink::Add(const QImage& frame, qint64 iStartMs) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    const QString path =
        QDir(mDirectory).filePath(FileName(static_cast<int>(mStartsMs.size()) + 1));
    if (!frame.save(&buffer, "PNG")) {
        mError = QStringLiteral("cannot encode %1").arg(path);
        return false;
    }
    mStartsMs.push_back(iStartMs);
    return WriteFile(path, png.constData(), png.size(), &mError);
}

bool cPngSeriesSink::Finish(qint64 iEndMs) {
    QByteArray index("# frame start_ms duration_ms\n");
    for (std::size_t i = 0; i < mStartsMs.size(); ++i) {
        const qint64 end = i + 1 < mStartsMs.size() ? mStartsMs[i + 1] : iEndMs;
        index += FileName(static_cast<int>(i) + 1).toLatin1() + ' ' +
                 QByteArray::number(mStartsMs[i]) + ' ' + QByteArray::number(end - mStartsMs[i]) +
                 '\n';
    }
    return WriteFile(QDir(mDirectory).filePath(QStringLiteral("frames.txt")), index.constData(),
                     index.size(), &mError);
}
