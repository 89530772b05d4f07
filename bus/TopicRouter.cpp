#include "bus/TopicRouter.h"

#include "Common/Utility/Console/Include/ConsolePrint.h"

#include <cstring>
#include <string>
#include <utility>

cBusMessageTexts::cBusMessageTexts(zmsg_t* pMessage) {
    if (!pMessage)
        return;
    mpTopic = zmsg_popstr(pMessage);
    mpPayload = zmsg_popstr(pMessage);
}

cBusMessageTexts::~cBusMessageTexts() {
    zstr_free(&mpTopic);
    zstr_free(&mpPayload);
}

cTopicRouter::cTopicRouter(std::vector<sRoute> routes, const sLines& lines)
    : mRoutes(std::move(routes)), mLines(lines) {}

void cTopicRouter::Split(
    zmsg_t* pMessage,
    const std::function<void(const char* pTopic, const char* pPayload)>& forward) const {
    if (!pMessage)
        return;
    const cBusMessageTexts message(pMessage);
    if (!message.Complete())
        ZqtError(mLines.pNullElements, message.ShownTopic(), message.ShownPayload());
    else
        forward(message.Topic(), message.Payload());
}

const cTopicRouter::sRoute* cTopicRouter::Find(const char* pTopic) const {
    for (const sRoute& route : mRoutes)
        if (std::strcmp(pTopic, route.pTopic) == 0)
            return &route;
    return nullptr;
}

void cTopicRouter::Route(const char* pTopic, const char* pPayload) const {
    if (!pTopic)
        return;
    if (const sRoute* pRoute = Find(pTopic))
        pRoute->handle(pPayload);
    else if (mLines.pUnhandledPrinter)
        mLines.pUnhandledPrinter(mLines.pUnhandledTopic, pTopic);
}

cTopicRouter::eFault cTopicRouter::Check(zmsg_t* pMessage) const {
    zframe_t* pTopic = pMessage ? zmsg_first(pMessage) : nullptr;
    if (!pTopic || !zmsg_next(pMessage))
        return eFault::kNullElements;
    const std::string topic(reinterpret_cast<const char*>(zframe_data(pTopic)),
                            zframe_size(pTopic));
    return Find(topic.c_str()) ? eFault::kNone : eFault::kUnhandledTopic;
}

void cTopicRouter::Report(zmsg_t* pMessage) const {
    zmsg_t* pCopy = zmsg_dup(pMessage);
    // Routing to nothing prints exactly the lines the message would cause.
    Split(pCopy, [this](const char* pTopic, const char*) {
        if (!Find(pTopic) && mLines.pUnhandledPrinter)
            mLines.pUnhandledPrinter(mLines.pUnhandledTopic, pTopic);
    });
    zmsg_destroy(&pCopy);
}
