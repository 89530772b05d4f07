#pragma once

#include <QImage>
#include <QString>

#include <memory>
#include <vector>

struct WebPAnimEncoder;

// Where 'render' puts its frames. Each frame is shown from its start time
// (milliseconds, rising) until the next one's, the last until Finish's time.
class cFrameSink {
public:
    virtual ~cFrameSink() = default;
    virtual bool Add(const QImage& frame, qint64 iStartMs) = 0;
    virtual bool Finish(qint64 iEndMs) = 0;
    // Why the last call failed.
    QString Error() const { return mError; }

protected:
    QString mError;
};

// One animated WebP, lossless, looping.
class cWebpSink : public cFrameSink {
public:
    explicit cWebpSink(QString path);
    ~cWebpSink() override;
    cWebpSink(const cWebpSink&) = delete;
    cWebpSink& operator=(const cWebpSink&) = delete;

    bool Add(const QImage& frame, qint64 iStartMs) override;
    bool Finish(qint64 iEndMs) override;

private:
    QString mPath;
    WebPAnimEncoder* mpEncoder = nullptr;
};

// Numbered PNG files in a directory, and frames.txt with each one's start and
// duration, since PNG files carry no timing.
class cPngSeriesSink : public cFrameSink {
public:
    explicit cPngSeriesSink(QString directory) : mDirectory(std::move(directory)) {}

    bool Add(const QImage& frame, qint64 iStartMs) override;
    bool Finish(qint64 iEndMs) override;

    static QString FileName(int iFrame);

private:
    QString mDirectory;
    std::vector<qint64> mStartsMs;
};
