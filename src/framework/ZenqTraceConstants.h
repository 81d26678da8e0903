#pragma once
// What travels inside the trace stream besides ordinary text: console commands and special lines.
#include <QString>
#include <array>

// Console commands: a trace line that contains one of these texts is executed by the console, not
// shown. Each contains "xC:"; the console tests them by containment in this order, so the longer
// "...MemoryConsumptionFree" must be tested before "...MemoryConsumption".
inline const QString ZenqConsoleCommandMarker = QStringLiteral("xC:");
inline const QString _wZenqConsoleCommand_NoOfRequests = QStringLiteral("xC:NoOfRequests");
inline const QString _wZenqConsoleCommand_RestoreWindow = QStringLiteral("xC:RestoreWindow");
inline const QString _wZenqConsoleCommand_MemoryConsumptionFree = QStringLiteral("xC:MemoryConsumptionFree");
inline const QString _wZenqConsoleCommand_MemoryConsumption = QStringLiteral("xC:MemoryConsumption");

// Special lines start with a three-character marker; the console shows them from the fourth
// character in the marker's colour (0xRRGGBB) and font style.
enum ZenqTraceFontStyle : int {
    ZenqStyleBold = 1,
    ZenqStyleItalic = 2,
    ZenqStyleUnderline = 4,
    ZenqStyleStrikeOut = 8,
};

inline const std::array<QString, 6> ZenqTraceSpecialMarkers {
    QStringLiteral("#E#"), // error
    QStringLiteral("#W#"), // warning
    QStringLiteral("#I#"), // information
    QStringLiteral("#S#"), // success
    QStringLiteral("#H#"), // heading
    QStringLiteral("#O#"), // obsolete: struck out
};
inline constexpr std::array<quint32, 6> _TRACESPECCOLORS { 0xC00000, 0xB35900, 0x0040C0, 0x007000, 0x000000, 0x808080 };
inline constexpr std::array<int, 6> _TRACESPECSTYLE {
    ZenqStyleBold, ZenqStyleBold, 0, 0, ZenqStyleBold | ZenqStyleUnderline, ZenqStyleStrikeOut,
};
// 1-based character position from which a special line is shown.
inline constexpr std::array<int, 6> _TRACESPECSHOWFROM { 4, 4, 4, 4, 4, 4 };

// Index of the special line's marker, or -1 for an ordinary line.
inline int _TRACEIsSpecialString(QStringView line)
{
    for (size_t i = 0; i < ZenqTraceSpecialMarkers.size(); ++i)
        if (line.startsWith(ZenqTraceSpecialMarkers[i]))
            return static_cast<int>(i);
    return -1;
}
