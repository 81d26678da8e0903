#include "ZenqEasyTree.h"

#include <algorithm>

struct TZenqEasyTree::Entry
{
    QString name;
    std::unique_ptr<TZenqEasyTree> subTree;
};

namespace {

int compareNames(const QString &a, const QString &b)
{
    return QString::compare(a, b, Qt::CaseInsensitive);
}

} // namespace

TZenqEasyTree::TZenqEasyTree(bool sorted, bool ignoreDuplicates)
    : m_sorted(sorted)
    , m_ignoreDuplicates(ignoreDuplicates)
{
}

TZenqEasyTree::TZenqEasyTree(TZenqEasyTree &&) noexcept = default;
TZenqEasyTree &TZenqEasyTree::operator=(TZenqEasyTree &&) noexcept = default;
TZenqEasyTree::~TZenqEasyTree() = default;

int TZenqEasyTree::count() const
{
    return static_cast<int>(m_entries.size());
}

QString TZenqEasyTree::nameAt(int index) const
{
    if (index < 0 || index >= count())
        return {};
    return m_entries[static_cast<size_t>(index)]->name;
}

int TZenqEasyTree::indexOf(const QString &name) const
{
    if (m_sorted) {
        const auto at = std::lower_bound(m_entries.begin(), m_entries.end(), name,
                                         [](const std::unique_ptr<Entry> &entry, const QString &wanted) {
                                             return compareNames(entry->name, wanted) < 0;
                                         });
        if (at != m_entries.end() && compareNames((*at)->name, name) == 0)
            return static_cast<int>(at - m_entries.begin());
        return -1;
    }
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (compareNames(m_entries[i]->name, name) == 0)
            return static_cast<int>(i);
    return -1;
}

int TZenqEasyTree::add(const QString &name)
{
    if (m_ignoreDuplicates) {
        const int existing = indexOf(name);
        if (existing >= 0)
            return existing;
    }
    auto entry = std::make_unique<Entry>();
    entry->name = name;
    if (!m_sorted) {
        m_entries.push_back(std::move(entry));
        return count() - 1;
    }
    // After names that compare equal, so that duplicates keep the order they were added in.
    const auto at = std::upper_bound(m_entries.begin(), m_entries.end(), name,
                                     [](const QString &wanted, const std::unique_ptr<Entry> &other) {
                                         return compareNames(wanted, other->name) < 0;
                                     });
    const auto inserted = m_entries.insert(at, std::move(entry));
    return static_cast<int>(inserted - m_entries.begin());
}

TZenqEasyTree *TZenqEasyTree::_GetSubTreeAt(int index) const
{
    if (index < 0 || index >= count())
        return nullptr;
    return m_entries[static_cast<size_t>(index)]->subTree.get();
}

TZenqEasyTree &TZenqEasyTree::subTreeAt(int index)
{
    auto &subTree = m_entries.at(static_cast<size_t>(index))->subTree; // throws for an index out of range
    if (!subTree)
        subTree = std::make_unique<TZenqEasyTree>(m_sorted, m_ignoreDuplicates);
    return *subTree;
}

void TZenqEasyTree::clear()
{
    m_entries.clear();
}
