#pragma once
// The about box ("Info"): the program's name, its authorship lines and the versions of the program and of
// the framework. GUI thread only; not thread-safe.
#include <QDialog>
#include <QString>

class QFrame;
class QLabel;
class QPushButton;

class TAboutDlg final : public QDialog
{
    Q_OBJECT

public:
    // The box owned by `owner` (may be null), filled and laid out but not shown.
    TAboutDlg(QWidget *owner, const QString &name, const QString &writtenBy, const QString &author,
              const QString &forText);
    TAboutDlg(const TAboutDlg &) = delete;
    TAboutDlg &operator=(const TAboutDlg &) = delete;

    // "Version " + the program's version + " / Zenq-Version " + the framework's version.
    static QString versionLine();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void stackLines();

    QFrame *Panel1 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label1a = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Image2 = nullptr;
    QPushButton *OKButton = nullptr;
};

// Shows the about box modally (through ZenqRunModal) and destroys it; "OK", Esc, Enter or a click on the
// box closes it.
void ShowAboutBox(QWidget *owner, const QString &name, const QString &writtenBy, const QString &author,
                  const QString &forText);
