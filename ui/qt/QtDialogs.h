// Message boxes and the folder picker on Qt, with the captions, buttons, default
// button and results the wizard relies on.
#pragma once

#include "host/Host.h"

class QWidget;

namespace tv {

class QtDialogs : public Dialogs {
public:
    void SetOwner(QWidget* owner) { FOwner = owner; }
    int MessageDlg(const std::string& message, MsgDlgType type, unsigned buttons) override;
    bool BrowseForFolder(const std::string& title, std::string& directory) override;

private:
    QWidget* FOwner = nullptr;
};

} // namespace tv
