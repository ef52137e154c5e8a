// The questions the wizard puts to the machine and to its user: known folders,
// processor bitness, registry reads, the folder picker and message boxes.
// One implementation per platform; tests use a scripted one.
#pragma once

#include <memory>
#include <string>

#include "host/Registry.h"

namespace tv {

enum class MsgDlgType { Warning = 0, Error = 1, Information = 2, Confirmation = 3 };

// Button set of a message box, in the order the box shows them.
enum MsgDlgButtons : unsigned { mbYes = 1, mbNo = 2, mbOK = 4, mbYesNo = mbYes | mbNo };

// Results: the number of the button used, or cancel when the box was closed without one.
constexpr int mrOk = 1;
constexpr int mrCancel = 2;
constexpr int mrYes = 6;
constexpr int mrNo = 7;

// The user-facing half of a host: modal dialogs, owned by the window toolkit.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual int MessageDlg(const std::string& message, MsgDlgType type, unsigned buttons) = 0;
    // Shows the folder browser with `title`, `directory` selected when not empty.
    // True and `directory` set to the choice when the user confirms.
    virtual bool BrowseForFolder(const std::string& title, std::string& directory) = 0;
};

class Host : public Dialogs {
public:
    // The user's temporary folder, without trailing delimiter.
    virtual std::string TempFolder() = 0;
    // The folder for 32-bit programs; empty when it cannot be read.
    virtual std::string ProgramFilesFolder() = 0;
    virtual bool Is64Bits() = 0;
    // A new query object on HKEY_LOCAL_MACHINE in the 32-bit view.
    virtual std::unique_ptr<Registry> OpenRegistry() = 0;
    // Sets a text value below HKEY_LOCAL_MACHINE in the same view, creating its key;
    // throws Failure when it cannot.
    virtual void WriteRegistryString(const std::string& path, const std::string& name,
                                     const std::string& value) = 0;
    // The folder of the running program file, with a trailing delimiter.
    virtual std::string ProgramFolder() = 0;
    // The running program file's path; empty when the system does not say.
    virtual std::string ProgramFile() = 0;
};

// A platform host whose dialogs come from the window toolkit.
class WindowedHost : public Host {
public:
    explicit WindowedHost(Dialogs& dialogs) : FDialogs(dialogs) {}
    int MessageDlg(const std::string& message, MsgDlgType type, unsigned buttons) override {
        return FDialogs.MessageDlg(message, type, buttons);
    }
    bool BrowseForFolder(const std::string& title, std::string& directory) override {
        return FDialogs.BrowseForFolder(title, directory);
    }

private:
    Dialogs& FDialogs;
};

} // namespace tv
