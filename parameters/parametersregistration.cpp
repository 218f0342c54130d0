#include "parametersregistration.h"

#include "directorypage.h"
#include "pageregistry.h"
#include "parameterspage.h"

namespace porv {

void RegisterParametersPage(PageRegistry &pages)
{
    PageDescriptor page;
    page.objectName = "system";
    page.caption = "SystemControls";
    page.menuItem = {"Parameter1", "Parameter", "Ctrl+2"};
    page.toolButton = {"Pbutt", "Parab", "Parameter", "Parameter Setting Page", 15};
    page.fileCommands.open = true;
    page.fileCommands.saveAs = FileOffer::On;
    page.loggedOnControls = {
        QStringLiteral("UpDatePIN"), QStringLiteral("SaveParam"), QStringLiteral("UpLoad"),
        QStringLiteral("ReadAll"), QStringLiteral("WriteAll"), QStringLiteral("ReadPara0"),
        QStringLiteral("ReadPara1"), QStringLiteral("ReadSpd"), QStringLiteral("ReadCode"),
        QStringLiteral("WritePara0"), QStringLiteral("WritePara1"), QStringLiteral("WriteSpd"),
        QStringLiteral("WriteCode"), QStringLiteral("ReadMsgs"), QStringLiteral("divertRead"),
        QStringLiteral("divertWrite"), QStringLiteral("TabSheet3"),
    };
    page.create = [](PageContext &c) {
        auto *parameters = new ParametersPage(c.link, c.shell, c.parent);
        if (auto *directory = c.earlierPage<DirectoryPage>()) {
            // "Use Global Gate Codes" recolours the directory grid's code columns.
            QObject::connect(&parameters->fields(), &ParameterFields::globalCodesShown, directory,
                             &DirectoryPage::ShowCodeColumns);
            // Opening a phone list file shows the global-codes state afresh.
            QObject::connect(directory, &DirectoryPage::phoneListOpened, &parameters->fields(),
                             &ParameterFields::ShowGlobalCodesState);
        }
        return Hosted(parameters);
    };
    pages.add(std::move(page));
}

const ParameterFields *ParameterFieldsOf(ShellPage *page)
{
    auto *parameters = dynamic_cast<ParametersPage *>(page);
    return parameters ? &parameters->fields() : nullptr;
}

} // namespace porv
