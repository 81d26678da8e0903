#pragma once
// The user-interface service of the desktop programs: Qt message boxes, input dialogs, the override
// cursor and a small frameless progress window. GUI thread only.
#include "framework/ZenqUserInterface.h"

#include <QHash>
#include <QPointer>

class QWidget;

class ZenqQtUserInterface final : public ZenqUserInterface
{
public:
    ZenqQtUserInterface() = default;
    ~ZenqQtUserInterface() override;

    JMessageResult message(const QString &text, int flags) override;
    JMessageResult messageWithCaption(const QString &caption, const QString &text, int flags) override;
    bool inputQuery(const QString &title, const QString &prompt, QString &value) override;
    bool inputQueryWithPreviousValues(const QString &title, const QString &prompt, QString &value,
                                      const QStringList &previousValues) override;
    void waitCursor() override;
    void defaultCursor() override;
    int showProgressMessage(const QString &text) override;
    void closeProgressMessage(int handle) override;
    void bringToFront() override;
    QString openFileName(const QString &title, const QString &filter, const QString &defaultSuffix) override;
    bool openWithDesktop(const QString &fileOrUrl) override;

private:
    int m_waitDepth = 0;
    int m_nextHandle = 1;
    QHash<int, QPointer<QWidget>> m_progressWindows;
};
