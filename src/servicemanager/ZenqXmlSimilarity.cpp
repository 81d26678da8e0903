#include "ZenqXmlSimilarity.h"

#include <QDomDocument>
#include <QDomNamedNodeMap>
#include <QDomNode>

#include <algorithm>
#include <atomic>

namespace {

std::atomic<long long> parseCount { 0 };

bool isTextContent(const QDomNode &node)
{
    return node.isText(); // CDATA sections are text nodes in the DOM, too
}

TZenqXMLNode fromDom(const QDomNode &dom)
{
    TZenqXMLNode node;
    node.name = dom.nodeName();
    switch (dom.nodeType()) {
    case QDomNode::ElementNode: {
        node.kind = TZenqXMLNodeKind::Element;
        const QDomNamedNodeMap attributes = dom.attributes();
        node.attributes.reserve(size_t(attributes.length()));
        for (int i = 0; i < attributes.length(); ++i) {
            const QDomNode attribute = attributes.item(i);
            TZenqXMLNode a;
            a.kind = TZenqXMLNodeKind::Attribute;
            a.name = attribute.nodeName();
            a.text = attribute.nodeValue();
            node.attributes.push_back(std::move(a));
        }
        std::sort(node.attributes.begin(), node.attributes.end(),
                  [](const TZenqXMLNode &l, const TZenqXMLNode &r) { return l.name < r.name; });
        bool textOnly = dom.hasChildNodes();
        QString text;
        for (QDomNode child = dom.firstChild(); !child.isNull(); child = child.nextSibling()) {
            if (isTextContent(child))
                text += child.nodeValue();
            else
                textOnly = false;
            node.children.push_back(fromDom(child));
        }
        node.isTextElement = textOnly;
        if (textOnly)
            node.text = text;
        break;
    }
    case QDomNode::CDATASectionNode:
        node.kind = TZenqXMLNodeKind::CData;
        node.text = dom.nodeValue();
        break;
    case QDomNode::TextNode:
        node.kind = TZenqXMLNodeKind::Text;
        node.text = dom.nodeValue();
        break;
    case QDomNode::CommentNode:
        node.kind = TZenqXMLNodeKind::Comment;
        node.text = dom.nodeValue();
        break;
    case QDomNode::ProcessingInstructionNode:
        node.kind = TZenqXMLNodeKind::ProcessingInstruction;
        node.text = dom.nodeValue();
        break;
    default:
        node.kind = TZenqXMLNodeKind::EntityReference;
        break;
    }
    return node;
}

// The first position behind the run of siblings that starts at `start` and are similar to its first.
size_t endOfRun(const std::vector<TZenqXMLNode> &children, size_t start)
{
    size_t next = start + 1;
    while (next < children.size() && SimilarNodes(children[start], children[next]))
        ++next;
    return next;
}

} // namespace

bool TZenqXMLDocument::LoadFromXML(const QString &xml, QString *error)
{
    m_root.reset();
    ++parseCount;
    QDomDocument document;
    QString message;
    int line = 0;
    int column = 0;
    if (!document.setContent(xml, &message, &line, &column)) {
        if (error)
            *error = QStringLiteral("%1 (line %2, column %3)").arg(message).arg(line).arg(column);
        return false;
    }
    const QDomElement root = document.documentElement();
    if (root.isNull()) {
        if (error)
            *error = QStringLiteral("The XML text has no root element.");
        return false;
    }
    m_root = std::make_unique<TZenqXMLNode>(fromDom(root));
    return true;
}

bool ZenqHasXMLDeclaration(const QString &xml)
{
    return xml.contains(QLatin1String("<?XML"), Qt::CaseInsensitive);
}

std::unique_ptr<TZenqXMLNode> ZenqParseXMLRoot(const QString &xml)
{
    TZenqXMLDocument document;
    document.setHasXMLDeclaration(ZenqHasXMLDeclaration(xml));
    if (!document.LoadFromXML(xml))
        return nullptr;
    return document.takeRoot();
}

long long ZenqXMLParseCount()
{
    return parseCount.load();
}

bool SimilarNodes(const TZenqXMLNode &x, const TZenqXMLNode &y)
{
    if (x.kind != y.kind || x.name != y.name)
        return false;
    if (x.IsTextElement() != y.IsTextElement())
        return false;
    if (x.IsTextElement() && x.text != y.text)
        return false;
    if (x.attributes.size() != y.attributes.size())
        return false;
    for (size_t k = 0; k < x.attributes.size(); ++k) {
        if (!SimilarNodes(x.attributes[k], y.attributes[k]))
            return false;
    }
    size_t i = 0;
    size_t j = 0;
    for (;;) {
        const bool xDone = i >= x.children.size();
        const bool yDone = j >= y.children.size();
        if (xDone && yDone)
            return true;
        if (xDone || yDone)
            return false;
        if (!SimilarNodes(x.children[i], y.children[j]))
            return false;
        i = endOfRun(x.children, i);
        j = endOfRun(y.children, j);
    }
}

bool SimilarXml(const QString &a, const QString &b)
{
    const std::unique_ptr<TZenqXMLNode> first = ZenqParseXMLRoot(a);
    if (!first)
        return false;
    const std::unique_ptr<TZenqXMLNode> second = ZenqParseXMLRoot(b);
    if (!second)
        return false;
    return SimilarNodes(*first, *second);
}
