// The guided tour on Windows: the window's controls as the tour's surface, found by
// their design names, clicked with button messages, and a thread timer that drives it.
#pragma once

#include <memory>
#include <string>

#include "ui/WizardTour.h"

namespace tv {

class Win32WizardProgram;

class Win32Tour {
public:
    Win32Tour(Win32WizardProgram& program, const std::string& screenshotFolder);
    ~Win32Tour();
    Win32Tour(const Win32Tour&) = delete;
    Win32Tour& operator=(const Win32Tour&) = delete;
    // Stops the tour; see WizardTour::End.
    int End();

private:
    std::unique_ptr<TourSurface> FSurface;
    std::unique_ptr<WizardTour> FTour;
    unsigned long long FTimer = 0;
};

} // namespace tv
