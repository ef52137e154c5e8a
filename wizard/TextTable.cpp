#include "wizard/TextTable.h"

#include <cstddef>
#include <string_view>

#include "util/TextFile.h"
#include "wizard/SetupWizardDlg.h"

namespace tv {

extern const char AppIniTemplate[];
extern const std::size_t AppIniTemplateSize;

std::vector<std::string> TextTemplateLines() {
    return SplitLines(std::string_view(AppIniTemplate, AppIniTemplateSize));
}

std::string TSetupWizardDlg::GetWizardText(const std::string& key) const {
    std::string result;
    if (FMemIni) result = FMemIni->ReadString("Wizard", key, "");
    return result;
}

std::string TSetupWizardDlg::GetMsg(const std::string& key) const {
    std::string result;
    if (FMemIni) result = FMemIni->ReadString("Msg", key, "");
    return result;
}

} // namespace tv
