// Qt's own texts (file dialog, context menus, the buttons Qt draws) in the
// language of the windows, Simplified Chinese.
#pragma once

class QCoreApplication;

namespace toolkit {

// Installs Qt's Simplified Chinese translation into `app` and makes Chinese
// the default locale (dates, sizes). Says on standard error when Qt's
// translation is not installed; the windows then show Qt's English texts.
bool InstallChineseTranslations(QCoreApplication& app);

}  // namespace toolkit
