#include "widgets/SaveReport.h"

#include "config/AppState.h"
#include "widgets/MessageBox.h"

void ReportSaveFailure(const QString &failure, QWidget *parent, bool evenIfTold)
{
    static QString told;
    const bool tell = !failure.isEmpty() && (evenIfTold || failure != told);
    told = failure;
    if (tell)
        ShowMessage(State().text.SMSG_SettingsNotSaved + QLatin1Char('\n') + failure, parent);
}
