#include "support/ScriptedHost.h"

namespace tv {

std::unique_ptr<Registry> ScriptedHost::OpenRegistry() {
    return std::make_unique<RegistrySnapshot>(RegistryData::Parse(RegistryText));
}

void ScriptedHost::WriteRegistryString(const std::string& path, const std::string& name,
                                       const std::string& value) {
    RegistryText += RegistryValueText(path, name, value);
}

int ScriptedHost::MessageDlg(const std::string& message, MsgDlgType type, unsigned buttons) {
    Boxes.push_back({message, type, buttons});
    if (BoxAnswers.empty()) return mrCancel;
    int answer = BoxAnswers.front();
    BoxAnswers.pop_front();
    return answer;
}

bool ScriptedHost::BrowseForFolder(const std::string&, std::string& directory) {
    PickerStarts.push_back(directory);
    if (PickedFolders.empty()) return false;
    std::string choice = PickedFolders.front();
    PickedFolders.pop_front();
    if (choice.empty()) return false;
    directory = choice;
    return true;
}

} // namespace tv
