#include "ZenqStandardizedXml.h"

#include <QDomDocument>
#include <QRegularExpression>

#include <algorithm>

bool ZenqLoadXMLDocument(const QString &text, bool hasNoDeclaration, QDomDocument &document, QString *error)
{
    QString source = text;
    // The framework accepts the declaration in any letter case; XML itself knows only "<?xml".
    if (!hasNoDeclaration) {
        const qsizetype start = source.indexOf(QLatin1String("<?xml"), 0, Qt::CaseInsensitive);
        if (start >= 0 && source.trimmed().startsWith(QLatin1String("<?xml"), Qt::CaseInsensitive))
            source.replace(start, 5, QStringLiteral("<?xml"));
    }
    QString message;
    int line = 0;
    int column = 0;
    if (document.setContent(source, &message, &line, &column))
        return true;
    if (error)
        *error = QStringLiteral("%1 (line %2, column %3)").arg(message).arg(line).arg(column);
    return false;
}

namespace {

QString escaped(const QString &text, QChar quote)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'&')
            out += QLatin1String("&amp;");
        else if (c == u'<')
            out += QLatin1String("&lt;");
        else if (c == u'>')
            out += QLatin1String("&gt;");
        else if (!quote.isNull() && c == quote)
            out += quote == u'\'' ? QLatin1String("&apos;") : QLatin1String("&quot;");
        else
            out += c;
    }
    return out;
}

void render(const QDomNode &node, int level, const QString &lineEnd, const QString &indent, QChar quote, QString &out)
{
    const QString prefix = indent.repeated(level);
    if (node.isElement()) {
        const QDomElement element = node.toElement();
        QString open = QLatin1Char('<') + element.tagName();
        const QDomNamedNodeMap attributes = element.attributes();
        QList<std::pair<QString, QString>> sorted;
        for (int i = 0; i < attributes.count(); ++i) {
            const QDomAttr attribute = attributes.item(i).toAttr();
            sorted.append({ attribute.name(), attribute.value() });
        }
        // QDom keeps no attribute order; sorting makes the rendering the same on every run.
        std::sort(sorted.begin(), sorted.end());
        for (const auto &[name, value] : sorted)
            open += QLatin1Char(' ') + name + QLatin1Char('=') + quote + escaped(value, quote) + quote;
        const QDomNodeList children = element.childNodes();
        if (children.isEmpty()) {
            out += prefix + open + QLatin1String("/>") + lineEnd;
            return;
        }
        bool textOnly = true;
        for (int i = 0; i < children.count() && textOnly; ++i)
            textOnly = children.at(i).isText() && !children.at(i).isCDATASection();
        if (textOnly) {
            out += prefix + open + QLatin1Char('>') + escaped(element.text(), QChar()) + QLatin1String("</")
                + element.tagName() + QLatin1Char('>') + lineEnd;
            return;
        }
        out += prefix + open + QLatin1Char('>') + lineEnd;
        for (int i = 0; i < children.count(); ++i)
            render(children.at(i), level + 1, lineEnd, indent, quote, out);
        out += prefix + QLatin1String("</") + element.tagName() + QLatin1Char('>') + lineEnd;
    } else if (node.isCDATASection()) {
        out += prefix + QLatin1String("<![CDATA[") + node.toCDATASection().data() + QLatin1String("]]>") + lineEnd;
    } else if (node.isText()) {
        const QString text = node.toText().data().trimmed();
        if (!text.isEmpty())
            out += prefix + escaped(text, QChar()) + lineEnd;
    } else if (node.isComment()) {
        out += prefix + QLatin1String("<!--") + node.toComment().data() + QLatin1String("-->") + lineEnd;
    } else if (node.isProcessingInstruction()) {
        const QDomProcessingInstruction pi = node.toProcessingInstruction();
        if (pi.target().compare(QLatin1String("xml"), Qt::CaseInsensitive) != 0)
            out += prefix + QLatin1String("<?") + pi.target() + QLatin1Char(' ') + pi.data() + QLatin1String("?>") + lineEnd;
    } else if (node.isDocument()) {
        const QDomNodeList children = node.childNodes();
        for (int i = 0; i < children.count(); ++i)
            render(children.at(i), level, lineEnd, indent, quote, out);
    }
}

} // namespace

QString ZenqGetStandardizedXML(const QDomNode &node, const QString &lineEnd, const QString &indent, QChar quote)
{
    QString out;
    render(node, 0, lineEnd, indent, quote, out);
    return out;
}

QString JInternetXMLStandardEntitiestoXML(const QString &text, bool keepExisting)
{
    static const QRegularExpression entity(QStringLiteral("&(#[0-9]+|#x[0-9A-Fa-f]+|[A-Za-z][A-Za-z0-9]*);"));
    QString out;
    out.reserve(text.size() + text.size() / 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'&') {
            if (keepExisting && entity.match(text, i, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption).hasMatch())
                out += c;
            else
                out += QLatin1String("&amp;");
        } else if (c == u'<') {
            out += QLatin1String("&lt;");
        } else if (c == u'>') {
            out += QLatin1String("&gt;");
        } else if (c == u'"') {
            out += QLatin1String("&quot;");
        } else if (c == u'\'') {
            out += QLatin1String("&#39;");
        } else {
            out += c;
        }
    }
    return out;
}
