#include "image/CodecMessages.h"

#include <mutex>

namespace {

thread_local CodecMessages* catching = nullptr;
QtMessageHandler passOn = nullptr;

void keepOrPassOn(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (catching && type != QtFatalMsg)
        catching->keep(message);
    else if (passOn)
        passOn(type, context, message);
}

} // namespace

CodecMessages::CodecMessages() : outer_(catching) {
    // Installed once, on first use, in front of whatever handler was there (Qt's own, or a test
    // framework's).
    static std::once_flag installed;
    std::call_once(installed, [] { passOn = qInstallMessageHandler(keepOrPassOn); });
    catching = this;
}

CodecMessages::~CodecMessages() {
    catching = outer_;
}
