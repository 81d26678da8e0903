#include "ZenqAbout.h"

#include "ZenqModalRunner.h"

#include "framework/ZenqPaths.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QStyle>

#include <algorithm>

namespace {

constexpr QSize kClientSize(370, 225);
constexpr int kMargin = 8;
constexpr QSize kButtonSize(75, 25);
constexpr int kLogoSize = 40;
constexpr int kSmallImageSize = 16;

QFont pixelFont(const QFont &base, int pixelSize, bool bold)
{
    QFont font = base;
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

// The logo: the framework's blue with a white initial, drawn here so the box needs no image files.
QPixmap logo()
{
    QPixmap pixmap(kLogoSize, kLogoSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0, 145, 220));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(pixmap.rect(), 6, 6);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(28);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("Z"));
    return pixmap;
}

} // namespace

TAboutDlg::TAboutDlg(QWidget *owner, const QString &name, const QString &writtenBy, const QString &author,
                     const QString &forText)
    // On top, so that a console that stays on top cannot hide its own modal box.
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                         | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("TAboutDlg"));
    setWindowTitle(QStringLiteral("Info"));

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    const QFont base = font();
    auto line = [this, &base](const char *objectName, int pixelSize, bool bold) {
        auto *label = new QLabel(Panel1);
        label->setObjectName(QLatin1String(objectName));
        label->setFont(pixelFont(base, pixelSize, bold));
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        label->setWordWrap(true);
        label->installEventFilter(this);
        return label;
    };
    Label1 = line("Label1", 19, true);
    Label1a = line("Label1a", 13, true);
    Label1a->hide();
    Label2 = line("Label2", 13, true);
    Label3 = line("Label3", 13, true);
    Label4 = line("Label4", 13, true);
    Label5 = line("Label5", 11, false);
    Label5->setAlignment(Qt::AlignLeft | Qt::AlignBottom);

    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(logo());
    Image1->installEventFilter(this);
    Image2 = new QLabel(Panel1);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(kSmallImageSize));
    Image2->installEventFilter(this);
    Panel1->installEventFilter(this);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    // The box answers Cancel whichever way it is closed; nothing depends on the answer.
    connect(OKButton, &QPushButton::clicked, this, &QDialog::reject);

    Label1->setText(name);
    Label2->setText(writtenBy);
    Label3->setText(author);
    Label4->setText(forText);
    Label5->setText(versionLine());
    stackLines();
}

QString TAboutDlg::versionLine()
{
    return QStringLiteral("Version ") + JGetVersion() + QStringLiteral(" / Zenq-Version ") + ZenqGetVersion();
}

void TAboutDlg::stackLines()
{
    const int lineWidth = kClientSize.width() - 4 * kMargin;
    auto place = [lineWidth](QLabel *label, int top) {
        label->setGeometry(kMargin, top, lineWidth, label->heightForWidth(lineWidth));
        return top + label->height();
    };
    const int nameBottom = place(Label1, kMargin);
    place(Label1a, nameBottom);
    int bottom = place(Label2, nameBottom + kMargin);
    bottom = place(Label3, bottom);
    bottom = place(Label4, bottom);

    // A long author or "for" text wraps; the box grows rather than letting the lines run under the images.
    const int panelWidth = kClientSize.width() - 2 * kMargin;
    const int designPanelHeight = kClientSize.height() - 3 * kMargin - kButtonSize.height();
    const int panelHeight = std::max(designPanelHeight, bottom + 2 * kMargin + kLogoSize);
    Panel1->setGeometry(kMargin, kMargin, panelWidth, panelHeight);
    Image1->setGeometry(panelWidth - kMargin - kLogoSize, panelHeight - kMargin - kLogoSize, kLogoSize, kLogoSize);
    Image2->setGeometry(Image1->x() - kMargin - kSmallImageSize, panelHeight - kMargin - kSmallImageSize,
                        kSmallImageSize, kSmallImageSize);
    const int versionWidth = Image2->x() - 2 * kMargin;
    const int versionHeight = Label5->heightForWidth(versionWidth);
    Label5->setGeometry(kMargin, panelHeight - kMargin - versionHeight, versionWidth, versionHeight);

    const int buttonTop = kMargin + panelHeight + kMargin;
    OKButton->setGeometry((kClientSize.width() - kButtonSize.width()) / 2, buttonTop, kButtonSize.width(),
                          kButtonSize.height());
    setFixedSize(kClientSize.width(), buttonTop + kButtonSize.height() + kMargin);
}

bool TAboutDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress && watched != OKButton) {
        reject();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void ShowAboutBox(QWidget *owner, const QString &name, const QString &writtenBy, const QString &author,
                  const QString &forText)
{
    // Guarded: the owner may be destroyed, and the box with it, while the box runs.
    QPointer<TAboutDlg> box = new TAboutDlg(owner, name, writtenBy, author, forText);
    ZenqRunModal(*box);
    delete box.data();
}
