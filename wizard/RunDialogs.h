// The dialogs of a run as its log sees them: every message goes to the log with the
// answer it got. With a window the user answers; unattended nothing is shown, and a
// question gets its documented answer: "Yes" only where it risks no data.
#pragma once

#include <string>
#include <vector>

#include "host/Host.h"
#include "util/RunLog.h"

namespace tv {

class RunDialogs : public Dialogs {
public:
    // `shown` answers with a window; null for an unattended run.
    explicit RunDialogs(Dialogs* shown) : FShown(shown) {}
    void SetLog(RunLog& log) { FLog = &log; }
    // Unattended: the questions answered "Yes", found by a text they contain; every other
    // question is answered "No".
    void AnswerUnattended(std::vector<std::string> yesWhenContaining);

    int MessageDlg(const std::string& message, MsgDlgType type, unsigned buttons) override;
    bool BrowseForFolder(const std::string& title, std::string& directory) override;

private:
    Dialogs* FShown;
    bool FUnattended = false;
    std::vector<std::string> FYesWhenContaining;
    RunLog* FLog = nullptr;
};

} // namespace tv
