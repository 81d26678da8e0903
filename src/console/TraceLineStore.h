#pragma once
// Every line of the trace display, kept compactly: UTF-16 text packed into large blocks, one 64-bit
// offset and one style index per line, and a table of the distinct styles. Append-only until cleared.
// Not thread-safe; the trace view owns it on the UI thread.
#include "TraceDisplay.h"

#include <QHash>
#include <QString>
#include <QStringView>

#include <cstdlib>
#include <memory>
#include <vector>

class TraceLineStore
{
public:
    // Text blocks grow from the small to the large size, so a short session holds little memory; a
    // line longer than a block gets a block of its own.
    static constexpr qsizetype smallBlockChars = 16 * 1024;
    static constexpr qsizetype largeBlockChars = 512 * 1024; // 1 MiB
    // Distinct styles the per-line index can name; further new styles are kept as ordinary lines.
    static constexpr int maxStyles = 256;

    TraceLineStore();
    ~TraceLineStore();
    TraceLineStore(const TraceLineStore &) = delete;
    TraceLineStore &operator=(const TraceLineStore &) = delete;

    // Appends a line in amortised O(1): one copy of the text, no per-line allocation.
    void append(QStringView text, const TraceLineStyle &style);
    // Frees every line and block; the style table starts again with the ordinary style alone.
    void clear();

    qsizetype size() const { return m_lineStart.size(); }
    bool isEmpty() const { return size() == 0; }
    // The text of line i (0 <= i < size()); valid until clear().
    QStringView line(qsizetype i) const;
    qsizetype lineLength(qsizetype i) const { return qsizetype(lineEnd(i) - m_lineStart[i]); }
    // Index into the style table; 0 is the ordinary style.
    int styleIndex(qsizetype i) const { return m_styleIndex[i]; }
    const TraceLineStyle &style(int styleIndex) const { return m_styles[size_t(styleIndex)]; }
    int styleCount() const { return int(m_styles.size()); }

    // Longest line appended since the last clear(), in UTF-16 code units.
    qsizetype maxLineLength() const { return m_maxLineLength; }
    // Sum of the lengths of all lines, in UTF-16 code units.
    quint64 textLength() const { return m_end; }
    // Bytes allocated for the text blocks, the offset index and the style indices.
    qsizetype storageBytes() const;

private:
    struct FreeDeleter
    {
        void operator()(char16_t *p) const { std::free(p); }
    };
    struct Block
    {
        std::unique_ptr<char16_t, FreeDeleter> data;
        qsizetype capacity = 0;
        qsizetype used = 0;
        quint64 base = 0; // position of data[0] in the sequence of all text
    };

    // A growable array in fixed pages: appending never moves what is stored, so a long session has
    // no large copy (and no stall) when the index grows.
    template<typename T>
    class PagedArray
    {
    public:
        static constexpr qsizetype pageSize = 64 * 1024;
        void push_back(T value)
        {
            if (m_size == qsizetype(m_pages.size()) * pageSize)
                m_pages.push_back(std::make_unique_for_overwrite<T[]>(pageSize));
            m_pages[size_t(m_size / pageSize)][size_t(m_size % pageSize)] = value;
            ++m_size;
        }
        T operator[](qsizetype i) const { return m_pages[size_t(i / pageSize)][size_t(i % pageSize)]; }
        qsizetype size() const { return m_size; }
        void clear()
        {
            m_pages.clear();
            m_pages.shrink_to_fit();
            m_size = 0;
        }
        qsizetype bytes() const
        {
            return qsizetype(m_pages.size()) * pageSize * qsizetype(sizeof(T))
                + qsizetype(m_pages.capacity() * sizeof(m_pages[0]));
        }

    private:
        std::vector<std::unique_ptr<T[]>> m_pages;
        qsizetype m_size = 0;
    };

    quint64 lineEnd(qsizetype i) const { return i + 1 < size() ? m_lineStart[i + 1] : m_end; }
    char16_t *reserveInBlock(qsizetype length);
    int styleIndexFor(const TraceLineStyle &style);

    std::vector<Block> m_blocks;
    PagedArray<quint64> m_lineStart; // position of each line's first character
    PagedArray<quint8> m_styleIndex;
    quint64 m_end = 0; // position behind the last character
    qsizetype m_maxLineLength = 0;
    std::vector<TraceLineStyle> m_styles;
    QHash<quint64, quint8> m_styleLookup;
};
