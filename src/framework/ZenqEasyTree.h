#pragma once
// A tree of names: per level a list of names, each name optionally owning a sub-tree of the same kind.
// Not thread-safe; a value type that owns its sub-trees.
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class TZenqEasyTree
{
public:
    // `sorted`: names kept sorted without regard to case; `ignoreDuplicates`: adding a name that the level
    // already holds (same comparison) answers its index and adds nothing.
    explicit TZenqEasyTree(bool sorted = true, bool ignoreDuplicates = true);
    TZenqEasyTree(const TZenqEasyTree &) = delete;
    TZenqEasyTree &operator=(const TZenqEasyTree &) = delete;
    TZenqEasyTree(TZenqEasyTree &&) noexcept;
    TZenqEasyTree &operator=(TZenqEasyTree &&) noexcept;
    ~TZenqEasyTree();

    int count() const;
    QString nameAt(int index) const;
    // Index of the name on this level (compared as the level sorts), or -1.
    int indexOf(const QString &name) const;
    // Adds a name on this level and answers its index.
    int add(const QString &name);
    // The sub-tree of the name at `index`, or null when it owns none.
    TZenqEasyTree *_GetSubTreeAt(int index) const;
    // The sub-tree of the name at `index`, created (with this tree's flags) when it owns none.
    TZenqEasyTree &subTreeAt(int index);
    void clear();

private:
    struct Entry;
    bool m_sorted;
    bool m_ignoreDuplicates;
    std::vector<std::unique_ptr<Entry>> m_entries;
};
