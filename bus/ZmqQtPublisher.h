#pragma once

#include <QObject>

#include <czmq.h>

// A PUB socket with a slot that sends one topic + JSON message.
class cZmqQtPublisher : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(cZmqQtPublisher)

public:
    explicit cZmqQtPublisher(QObject* parent = nullptr);
    ~cZmqQtPublisher() override;

    // Binds on the local endpoint of the socket name.
    void InitSocket(const char* pName);
    // Binds on tcp://address:port; a null address binds on all interfaces.
    void InitSocket(const char* pAddress, const char* pPort);

    bool HasSocket() const { return mpSocket != nullptr; }

public slots:
    void sltZmqPublish(const char* pTopic, const char* pJson);

private:
    void Bind(const char* pEndpoint);

    zsock_t* mpSocket = nullptr;
};
