#include "PlatformStart.h"

#include <mutex>
#include <utility>

#include <QApplication>

#include "Quentrel/Support/DisplayPlatform.h"

namespace quentrel {

namespace {

constexpr char kPlatformOption[] = "-platform";

struct HeldMessage {
    QtMsgType type;
    std::string category;
    QString text;
};

// Qt's messages while the application starts (from any thread), and where they go otherwise.
struct HeldMessages {
    std::mutex mutex;
    std::vector<HeldMessage> messages;
    QtMessageHandler passOn = nullptr;
};

HeldMessages& held() {
    static HeldMessages messages;
    return messages;
}

// A platform that does not start tells so as a warning or, with its system error, as a critical
// message. A fatal message goes on at once: the process ends right after the handler.
void holdMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    HeldMessages& messages = held();
    if (type == QtFatalMsg) {
        messages.passOn(type, context, text);
        return;
    }
    std::lock_guard lock(messages.mutex);
    messages.messages.push_back({type, context.category ? context.category : "", text});
}

}  // namespace

PlatformStart::PlatformStart(int argc, char** argv) : arguments_(argv, argv + argc) {
    const DisplayPlatform::Environment environment = DisplayPlatform::Environment::current();
    arguments_.push_back(kPlatformOption);
    arguments_.push_back(DisplayPlatform::platforms(environment) + ";" + std::string(DisplayPlatform::fallback));
    for (std::string& argument : arguments_) argv_.push_back(argument.data());
    argv_.push_back(nullptr);
    argc_ = int(arguments_.size());

    held().passOn = qInstallMessageHandler(holdMessage);
    application_ = std::make_unique<QApplication>(argc_, argv_.data());
    qInstallMessageHandler(held().passOn);
    std::vector<HeldMessage> messages;
    {
        std::lock_guard lock(held().mutex);
        messages = std::exchange(held().messages, {});
    }

    if (DisplayPlatform::fellBack(environment, QGuiApplication::platformName().toStdString())) {
        missingDisplay_ = DisplayPlatform::missingDisplay(environment, DisplayPlatform::waylandAnswers(environment));
        return;
    }
    for (const HeldMessage& message : messages)
        held().passOn(message.type, QMessageLogContext(nullptr, 0, nullptr, message.category.c_str()), message.text);
}

PlatformStart::~PlatformStart() = default;

}  // namespace quentrel
