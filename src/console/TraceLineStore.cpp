#include "TraceLineStore.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

quint64 styleKey(const TraceLineStyle &style)
{
    return (quint64(1) << 63) | (quint64(quint32(style.fontStyle) & 0x7fffffffu) << 32) | style.color;
}

} // namespace

TraceLineStore::TraceLineStore()
{
    m_styles.push_back(TraceLineStyle());
}

TraceLineStore::~TraceLineStore() = default;

void TraceLineStore::clear()
{
    m_blocks.clear();
    m_blocks.shrink_to_fit();
    m_lineStart.clear();
    m_styleIndex.clear();
    m_end = 0;
    m_maxLineLength = 0;
    m_styles.resize(1);
    m_styleLookup.clear();
}

char16_t *TraceLineStore::reserveInBlock(qsizetype length)
{
    if (!m_blocks.empty() && m_blocks.back().capacity - m_blocks.back().used >= length)
        return m_blocks.back().data.get() + m_blocks.back().used;

    qsizetype capacity = smallBlockChars;
    if (!m_blocks.empty()) {
        Block &last = m_blocks.back();
        capacity = std::min(largeBlockChars, last.capacity * 2);
        if (last.capacity - last.used > last.capacity / 8) {
            // A long line ended the block early: give the unused tail back (glibc shrinks in place).
            if (void *shrunk = std::realloc(last.data.get(), size_t(last.used) * sizeof(char16_t))) {
                (void)last.data.release();
                last.data.reset(static_cast<char16_t *>(shrunk));
                last.capacity = last.used;
            }
        }
    }
    capacity = std::max(capacity, length);
    auto *data = static_cast<char16_t *>(std::malloc(size_t(capacity) * sizeof(char16_t)));
    if (!data)
        throw std::bad_alloc();
    Block block;
    block.data.reset(data);
    block.capacity = capacity;
    block.base = m_end;
    m_blocks.push_back(std::move(block));
    return data;
}

int TraceLineStore::styleIndexFor(const TraceLineStyle &style)
{
    if (!style.special)
        return 0;
    const quint64 key = styleKey(style);
    const auto found = m_styleLookup.constFind(key);
    if (found != m_styleLookup.cend())
        return found.value();
    if (m_styles.size() >= size_t(maxStyles))
        return 0;
    const auto index = quint8(m_styles.size());
    m_styles.push_back(style);
    m_styleLookup.insert(key, index);
    return index;
}

void TraceLineStore::append(QStringView text, const TraceLineStyle &style)
{
    const qsizetype length = text.size();
    if (length > 0) {
        char16_t *target = reserveInBlock(length);
        std::memcpy(target, text.utf16(), size_t(length) * sizeof(char16_t));
        m_blocks.back().used += length;
    }
    m_lineStart.push_back(m_end);
    m_styleIndex.push_back(quint8(styleIndexFor(style)));
    m_end += quint64(length);
    m_maxLineLength = std::max(m_maxLineLength, length);
}

QStringView TraceLineStore::line(qsizetype i) const
{
    const quint64 start = m_lineStart[i];
    const auto length = qsizetype(lineEnd(i) - start);
    if (length == 0)
        return {};
    // A line never spans blocks: it lies in the last block that begins at or before its start.
    const auto block = std::upper_bound(m_blocks.begin(), m_blocks.end(), start,
                                        [](quint64 position, const Block &b) { return position < b.base; })
        - 1;
    return QStringView(block->data.get() + (start - block->base), length);
}

qsizetype TraceLineStore::storageBytes() const
{
    qsizetype bytes = qsizetype(m_blocks.capacity() * sizeof(Block));
    for (const Block &block : m_blocks)
        bytes += block.capacity * qsizetype(sizeof(char16_t));
    return bytes + m_lineStart.bytes() + m_styleIndex.bytes();
}
