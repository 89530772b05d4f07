#pragma once

#include <czmq.h>

#include <functional>
#include <vector>

// A subscriber's topics as data: each topic with its handler, compared
// exactly in table order, and the subscriber's own console lines for a
// message it cannot handle.
class cTopicRouter {
public:
    // Console printer of one line: ZqtError or KeldError.
    using ConsolePrinter = void (*)(const char* pFormat, ...);
    struct sRoute {
        const char* pTopic;
        std::function<void(const char* pPayload)> handle;
    };
    struct sLines {
        // Printed with ZqtError; given the shown topic and payload, which it may leave out.
        const char* pNullElements;
        ConsolePrinter pUnhandledPrinter;
        // Given the topic.
        const char* pUnhandledTopic;
    };
    // What routing would make of a message.
    enum class eFault { kNone, kNullElements, kUnhandledTopic };

    cTopicRouter() = default;
    cTopicRouter(std::vector<sRoute> routes, const sLines& lines);

    const std::vector<sRoute>& Routes() const { return mRoutes; }

    // Pops topic and payload; prints the null-element line when one is
    // missing, else hands both to the forwarder. The texts live until it returns.
    void Split(zmsg_t* pMessage,
               const std::function<void(const char* pTopic, const char* pPayload)>& forward) const;
    // Calls the handler of the topic, or prints the unhandled-topic line.
    void Route(const char* pTopic, const char* pPayload) const;

    // The fault routing would meet, read without taking the message apart.
    eFault Check(zmsg_t* pMessage) const;
    // Prints the line of the fault, as routing the message would.
    void Report(zmsg_t* pMessage) const;

private:
    const sRoute* Find(const char* pTopic) const;

    std::vector<sRoute> mRoutes;
    sLines mLines{};
};

// The topic and payload texts popped from a bus message, released with this
// object.
class cBusMessageTexts {
public:
    explicit cBusMessageTexts(zmsg_t* pMessage);
    ~cBusMessageTexts();
    cBusMessageTexts(const cBusMessageTexts&) = delete;
    cBusMessageTexts& operator=(const cBusMessageTexts&) = delete;

    // False when either frame is missing.
    bool Complete() const { return mpTopic && mpPayload; }
    const char* Topic() const { return mpTopic; }
    const char* Payload() const { return mpPayload; }
    // For console lines: "(null)" stands in for a missing frame.
    const char* ShownTopic() const { return mpTopic ? mpTopic : "(null)"; }
    const char* ShownPayload() const { return mpPayload ? mpPayload : "(null)"; }

private:
    char* mpTopic = nullptr;
    char* mpPayload = nullptr;
};
