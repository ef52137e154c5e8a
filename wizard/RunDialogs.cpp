#include "wizard/RunDialogs.h"

namespace tv {

namespace {

const char* AnswerName(int result) {
    switch (result) {
    case mrYes:
        return "Ja";
    case mrNo:
        return "Nein";
    case mrOk:
        return "OK";
    default:
        return "geschlossen";
    }
}

} // namespace

void RunDialogs::AnswerUnattended(std::vector<std::string> yesWhenContaining) {
    FUnattended = true;
    FYesWhenContaining = std::move(yesWhenContaining);
}

int RunDialogs::MessageDlg(const std::string& message, MsgDlgType type, unsigned buttons) {
    int result = mrOk;
    if (!FUnattended && FShown) {
        result = FShown->MessageDlg(message, type, buttons);
    } else if (buttons & mbYes) {
        result = mrNo;
        for (const std::string& text : FYesWhenContaining)
            if (!text.empty() && message.find(text) != std::string::npos) result = mrYes;
    }
    if (FLog)
        FLog->Line(std::string(FUnattended ? "Meldung (nicht angezeigt): " : "Meldung: ") + message + " -> " +
                   AnswerName(result));
    return result;
}

bool RunDialogs::BrowseForFolder(const std::string& title, std::string& directory) {
    return !FUnattended && FShown && FShown->BrowseForFolder(title, directory);
}

} // namespace tv
