#include "ObserverWindowPresenter.h"

#include <cstdlib>

namespace quentrel {

namespace {
// Read at call time, so a terminator installed after the hooks still applies.
void terminateApplication() {
    if (ApplicationTermination::terminate)
        ApplicationTermination::terminate();
    else
        ApplicationTermination::exitProcess();
}
}  // namespace

void ApplicationTermination::exitProcess() { std::exit(EXIT_SUCCESS); }

std::function<void()> ApplicationTermination::terminate = ApplicationTermination::exitProcess;

ObserverWindowPresenter::WindowHook ObserverWindowPresenter::show = [](const std::string&) {};
ObserverWindowPresenter::WindowHook ObserverWindowPresenter::close = [](const std::string&) {};
ObserverWindowPresenter::Hook ObserverWindowPresenter::quickView = [] {};
ObserverWindowPresenter::Hook ObserverWindowPresenter::quit = terminateApplication;

void ObserverWindowPresenter::requestShow(const std::string& windowID) {
    if (show) show(windowID);
}

void ObserverWindowPresenter::requestClose(const std::string& windowID) {
    if (close) close(windowID);
}

void ObserverWindowPresenter::requestQuickView() {
    if (quickView) quickView();
}

void ObserverWindowPresenter::requestQuit() {
    if (quit) quit();
}

void ObserverWindowPresenter::resetToDefaults() {
    show = [](const std::string&) {};
    close = [](const std::string&) {};
    quickView = [] {};
    quit = terminateApplication;
}

}  // namespace quentrel
