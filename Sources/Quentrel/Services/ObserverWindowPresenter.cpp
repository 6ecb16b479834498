#include "ObserverWindowPresenter.h"

#include <cstdlib>

namespace quentrel {

void ApplicationTermination::exitProcess() { std::exit(EXIT_SUCCESS); }

void ApplicationTermination::run() {
    if (terminate)
        terminate();
    else
        exitProcess();
}

std::function<void()> ApplicationTermination::terminate = ApplicationTermination::exitProcess;

ObserverWindowPresenter::WindowHook ObserverWindowPresenter::show = [](const std::string&) {};
ObserverWindowPresenter::WindowHook ObserverWindowPresenter::close = [](const std::string&) {};
ObserverWindowPresenter::Hook ObserverWindowPresenter::quickView = [] {};
ObserverWindowPresenter::Hook ObserverWindowPresenter::quit = ApplicationTermination::run;

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
    quit = ApplicationTermination::run;
}

}  // namespace quentrel
