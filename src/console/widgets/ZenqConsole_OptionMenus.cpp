// The main window's option submenus: QMenus built from the option-menu model, and their click handlers.
#include "ZenqConsole_MainForm.h"

#include "console/ConsoleNotifier.h"
#include "framework/ZenqMenuInfo.h"
#include "framework/ZenqRegistry.h"
#include "framework/ZenqUserInterface.h"
#include "tools/ZenqOptionMenus.h"

#include <QMenu>

#include <algorithm>
#include <exception>

namespace {

// Item properties: the model caption of a value item (its text has "&" doubled for display) and the
// caption of the option group that holds its option.
constexpr const char *captionProperty = "zenqOptionCaption";
constexpr const char *groupProperty = "zenqOptionGroup";

QString displayed(const QString &caption)
{
    return QString(caption).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

void clearOptionMenu(QMenu *menu)
{
    // Later, not now: a rebuild may run while one of these menus is still on its way down.
    for (QAction *action : menu->actions())
        if (QMenu *submenu = action->menu())
            submenu->deleteLater();
    menu->clear();
}

} // namespace

void TZenqConsole_MainForm::RebuildOptionMenus(bool takeSnapshot)
{
    JWaitCursorScope wait;
    QString failure;
    try {
        m_optionMenus->RebuildOptionMenus(takeSnapshot);
    } catch (const std::exception &error) {
        failure = QString::fromUtf8(error.what());
    }
    for (const auto &[name, model] : { std::pair { "MENUGlobalOptions", &m_optionMenus->globalOptions },
                                       std::pair { "MENULocalOptions", &m_optionMenus->localOptions },
                                       std::pair { "MENUFrameworkOptions", &m_optionMenus->frameworkOptions } }) {
        QMenu *menu = m_items.value(QLatin1String(name))->menu();
        clearOptionMenu(menu);
        for (const OptionMenuItem &child : model->children)
            fillOptionMenu(menu, child);
    }
    m_notifier->rebuildIISUnloadLists();
    updateMemoryItems();
    if (!failure.isEmpty())
        showError(failure); // names the configuration still recorded as being read
}

void TZenqConsole_MainForm::fillOptionMenu(QMenu *menu, const OptionMenuItem &item)
{
    switch (item.kind) {
    case OptionMenuItem::Kind::Separator:
        menu->addSeparator();
        return;
    case OptionMenuItem::Kind::OnOff: {
        QAction *action = menu->addAction(displayed(item.caption));
        action->setCheckable(true);
        action->setChecked(item.checked);
        action->setEnabled(item.enabled);
        action->setData(item.tag);
        connect(action, &QAction::triggered, this, [this, action] { ToggleOption(action); });
        return;
    }
    case OptionMenuItem::Kind::Value: {
        QAction *action = menu->addAction(displayed(item.caption));
        action->setCheckable(item.caption != QLatin1String(".."));
        action->setChecked(item.checked);
        action->setData(item.tag);
        action->setProperty(captionProperty, item.caption);
        action->setProperty(groupProperty, menu->property(groupProperty));
        connect(action, &QAction::triggered, this, [this, action] { ChooseOptionValue(action); });
        return;
    }
    case OptionMenuItem::Kind::Submenu: {
        QMenu *submenu = menu->addMenu(displayed(item.caption));
        submenu->menuAction()->setVisible(item.visible);
        submenu->menuAction()->setEnabled(item.enabled);
        submenu->menuAction()->setData(item.tag);
        // The value items ask under the caption of the group that holds their option.
        submenu->setProperty(groupProperty, QString(menu->title()).remove(QLatin1Char('&')));
        for (const OptionMenuItem &child : item.children)
            fillOptionMenu(submenu, child);
        return;
    }
    }
}

void TZenqConsole_MainForm::ToggleOption(QAction *item)
{
    // The check mark is already inverted (a checkable action toggles itself before it triggers).
    TXMLMenuInfo *entry = FindViaID(m_optionMenus->menuInfo, item->data().toInt());
    if (!entry || !Changeable(*entry, true))
        return;
    const bool checked = item->isChecked();
    const bool traceSetting = ConsoleNotifier::IsTraceSetting(entry->key);
    if (traceSetting)
        m_notifier->setIgnoreNextChange(true);
    QString error;
    if (!m_optionMenus->WriteOptionValue(*entry, checked ? QStringLiteral("1") : QStringLiteral("0"), &error)) {
        m_notifier->setIgnoreNextChange(false);
        item->setChecked(!checked); // the file keeps the old value; so does the menu
        showError(QStringLiteral("The option \"%1\" could not be written to %2:\r\n%3").arg(entry->caption, entry->fileName, error));
        return;
    }
    entry->selectedIndex = checked ? 1 : 0;
    if (traceSetting)
        m_notifier->fullNotify(QStringLiteral("WM_ZenqApplicationParameterChanged_SomeGlobalSettingsOnly"));
}

void TZenqConsole_MainForm::ChooseOptionValue(QAction *item)
{
    // Undo the action's own toggling: the check marks follow the choice below, or stay.
    if (item->isCheckable())
        item->setChecked(!item->isChecked());
    const int tag = item->data().toInt();
    TXMLMenuInfo *entry = FindViaID(m_optionMenus->menuInfo, tag);
    if (!entry || !Changeable(*entry, true))
        return;
    auto *option = qobject_cast<QMenu *>(item->parent());
    QString value = m_optionMenus->ValueOfItem(item->property(captionProperty).toString(), tag);
    const bool freeInput = value == QLatin1String("..");
    bool rebuilt = false;
    if (freeInput) {
        value = entry->currentValue;
        const int generation = m_optionMenus->generation;
        const QString caption = entry->caption;
        const QString fileName = entry->fileName;
        const QString key = entry->key;
        if (!JUserInputQueryWithPreviousValues(item->property(groupProperty).toString(), caption + QLatin1Char(':'), value,
                                               ZenqConsoleRegistryKey, QStringLiteral("StoredUserInput_") + key))
            return;
        // The box ran events: a parameter change may have rebuilt the menus; the entry is found again.
        rebuilt = m_optionMenus->generation != generation;
        if (rebuilt) {
            const auto found = std::find_if(m_optionMenus->menuInfo.begin(), m_optionMenus->menuInfo.end(),
                                            [&](const TXMLMenuInfo &e) { return e.fileName == fileName && e.key == key; });
            if (found == m_optionMenus->menuInfo.end()) {
                showError(QStringLiteral("The option \"%1\" is no longer in %2.").arg(caption, fileName));
                return;
            }
            entry = &*found;
        }
    }
    QString error;
    if (!m_optionMenus->WriteOptionValue(*entry, value, &error)) {
        showError(QStringLiteral("The option \"%1\" could not be written to %2:\r\n%3").arg(entry->caption, entry->fileName, error));
        return;
    }
    if (rebuilt) {
        RebuildOptionMenus(false); // the menus and their captions follow the file; the write took the snapshot
        return;
    }
    if (freeInput) {
        if (option)
            option->setTitle(displayed(ZenqOptionMenus::FreeInputCaption(entry->caption, value)));
        return;
    }
    if (option) {
        const QList<QAction *> siblings = option->actions();
        for (QAction *sibling : siblings)
            sibling->setChecked(sibling == item);
        entry->selectedIndex = int(siblings.indexOf(item));
    }
}
