#include "ZenqQtUserInterface.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QUrl>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>

namespace {

QWidget *dialogParent()
{
    if (QWidget *active = QApplication::activeWindow())
        return active;
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows)
        if (window->isVisible() && window->isWindow() && !window->windowFlags().testFlag(Qt::ToolTip))
            return window;
    return nullptr;
}

// A modal dialog must not show the wait cursor of the work that asked it.
class NormalCursorWhileAsking
{
public:
    NormalCursorWhileAsking()
    {
        if (QApplication::overrideCursor()) {
            QApplication::setOverrideCursor(Qt::ArrowCursor);
            m_pushed = true;
        }
    }
    ~NormalCursorWhileAsking()
    {
        if (m_pushed)
            QApplication::restoreOverrideCursor();
    }

private:
    bool m_pushed = false;
};

} // namespace

ZenqQtUserInterface::~ZenqQtUserInterface()
{
    for (const auto &window : std::as_const(m_progressWindows))
        delete window.data();
}

JMessageResult ZenqQtUserInterface::message(const QString &text, int flags)
{
    return messageWithCaption(QApplication::applicationName(), text, flags);
}

JMessageResult ZenqQtUserInterface::messageWithCaption(const QString &caption, const QString &text, int flags)
{
    NormalCursorWhileAsking cursor;
    QMessageBox box(dialogParent());
    box.setWindowTitle(caption);
    box.setText(text);
    switch (flags & 0xF0) {
    case static_cast<int>(JMessageFlag::IconError): box.setIcon(QMessageBox::Critical); break;
    case static_cast<int>(JMessageFlag::IconQuestion): box.setIcon(QMessageBox::Question); break;
    case static_cast<int>(JMessageFlag::IconWarning): box.setIcon(QMessageBox::Warning); break;
    case static_cast<int>(JMessageFlag::IconInformation): box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    switch (flags & 0xF) {
    case static_cast<int>(JMessageFlag::OkCancel): box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case static_cast<int>(JMessageFlag::YesNoCancel):
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case static_cast<int>(JMessageFlag::YesNo): box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    default: box.setStandardButtons(QMessageBox::Ok); break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes: return JMessageResult::Yes;
    case QMessageBox::No: return JMessageResult::No;
    case QMessageBox::Cancel: return JMessageResult::Cancel;
    default: return JMessageResult::Ok;
    }
}

bool ZenqQtUserInterface::inputQuery(const QString &title, const QString &prompt, QString &value)
{
    NormalCursorWhileAsking cursor;
    bool ok = false;
    const QString answer = QInputDialog::getText(dialogParent(), title, prompt, QLineEdit::Normal, value, &ok);
    if (ok)
        value = answer;
    return ok;
}

bool ZenqQtUserInterface::inputQueryWithPreviousValues(const QString &title, const QString &prompt, QString &value,
                                                       const QStringList &previousValues)
{
    NormalCursorWhileAsking cursor;
    QStringList items { value };
    for (const QString &previous : previousValues)
        if (!items.contains(previous))
            items << previous;
    bool ok = false;
    const QString answer = QInputDialog::getItem(dialogParent(), title, prompt, items, 0, true, &ok);
    if (ok)
        value = answer;
    return ok;
}

void ZenqQtUserInterface::waitCursor()
{
    ++m_waitDepth;
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void ZenqQtUserInterface::defaultCursor()
{
    if (m_waitDepth == 0)
        return;
    --m_waitDepth;
    QApplication::restoreOverrideCursor();
}

int ZenqQtUserInterface::showProgressMessage(const QString &text)
{
    auto *window = new QLabel(text);
    window->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->setFrameStyle(QFrame::Box | QFrame::Plain);
    window->setMargin(12);
    window->adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
    window->show();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents); // paint it before the work starts
    const int handle = m_nextHandle++;
    m_progressWindows.insert(handle, window);
    return handle;
}

void ZenqQtUserInterface::closeProgressMessage(int handle)
{
    delete m_progressWindows.take(handle).data();
}

void ZenqQtUserInterface::bringToFront()
{
    if (QWidget *window = dialogParent()) {
        window->raise();
        window->activateWindow();
    }
}

QString ZenqQtUserInterface::openFileName(const QString &title, const QString &filter, const QString &defaultSuffix)
{
    NormalCursorWhileAsking cursor;
    // "Description (*.ext)|*.ext|..." becomes Qt's "Description (*.ext);;...".
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList qtFilters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        qtFilters << parts.at(i);
    QFileDialog dialog(dialogParent(), title);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(qtFilters);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.setOption(QFileDialog::ReadOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

bool ZenqQtUserInterface::openWithDesktop(const QString &fileOrUrl)
{
    const QUrl url = QFileInfo::exists(fileOrUrl) ? QUrl::fromLocalFile(fileOrUrl) : QUrl(fileOrUrl);
    return QDesktopServices::openUrl(url);
}
