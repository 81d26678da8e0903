#pragma once
// The window classes that the framework's programs message each other by. Constants; thread-safe.
#include <QString>

namespace ZenqWindowClass {

inline const QString ServiceWindow = QStringLiteral("TZenqServiceWindow_Form");
inline const QString Console = QStringLiteral("TZenqConsole_MainForm");
inline const QString SXTEditor = QStringLiteral("TSXTEditor_Form");
inline const QString Monitor = QStringLiteral("TZenqMonitor_Form");
inline const QString FrameworkEngine = QStringLiteral("TZenqFramework_EngineForm");
inline const QString FrameworkHelper = QStringLiteral("TZenqFramework_HelperForm");
// The framework's server host and browser programs.
inline const QString Server = QStringLiteral("TZenqServer_MainForm");
inline const QString Browser = QStringLiteral("TZenqBrowser_MainForm");

} // namespace ZenqWindowClass
