// A host for controller tests: message-box and folder-picker answers queued by the
// test, every question recorded, the registry built from ".reg" text.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "host/Host.h"

namespace tv {

struct AskedBox {
    std::string Message;
    MsgDlgType Type;
    unsigned Buttons;
};

class ScriptedHost : public Host {
public:
    std::string Temp = "/tmp/tv-scripted";
    std::string ProgramFiles = "/opt/programs";
    std::string ProgramDir = "/opt/tvinstall/";
    bool Cpu64 = true;
    std::string RegistryText;

    std::deque<int> BoxAnswers;            // taken in order; mrCancel when none is left
    std::vector<AskedBox> Boxes;           // every box shown
    std::deque<std::string> PickedFolders; // an empty entry cancels the picker
    std::vector<std::string> PickerStarts; // the folder each picker opened on

    std::string TempFolder() override { return Temp; }
    std::string ProgramFilesFolder() override { return ProgramFiles; }
    bool Is64Bits() override { return Cpu64; }
    std::unique_ptr<Registry> OpenRegistry() override;
    void WriteRegistryString(const std::string& path, const std::string& name,
                             const std::string& value) override;
    std::string ProgramFolder() override { return ProgramDir; }
    std::string ProgramFile() override { return ProgramDir + "tvinstall"; }
    int MessageDlg(const std::string& message, MsgDlgType type, unsigned buttons) override;
    bool BrowseForFolder(const std::string& title, std::string& directory) override;
};

// Dialogs that nobody answers: every box is closed without a button, no folder chosen.
class NoDialogs : public Dialogs {
public:
    int MessageDlg(const std::string&, MsgDlgType, unsigned) override { return mrCancel; }
    bool BrowseForFolder(const std::string&, std::string&) override { return false; }
};

} // namespace tv
