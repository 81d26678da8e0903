#pragma once
// The framework's XML document as a tree of plain nodes (built once from Qt Xml's DOM), and the similarity
// rule by which generated samples are judged to show the same behaviour. No widgets; reentrant, and a
// built tree may be read from any thread.
#include <QString>

#include <memory>
#include <vector>

// What a node is; the kinds are listed in docs/installation.md.
enum class TZenqXMLNodeKind {
    Element,
    Attribute,
    Text,
    CData,
    Comment,
    ProcessingInstruction,
    EntityReference,
};

struct TZenqXMLNode
{
    TZenqXMLNodeKind kind = TZenqXMLNodeKind::Element;
    // Element and attribute: the qualified name as written; processing instruction: its target;
    // text "#text", CDATA "#cdata-section", comment "#comment"; entity reference: the entity's name.
    QString name;
    // Text element: its text content; attribute: its value; text, CDATA, comment, processing
    // instruction: its data; other elements: empty.
    QString text;
    // An element whose content is text alone (at least one text or CDATA child, nothing else).
    // Attributes and every other kind are not text elements.
    bool isTextElement = false;
    // In name order: the DOM does not keep the document's attribute order, and a fixed order makes
    // equal attribute sets compare alike (the framework's standardized form orders them, too).
    std::vector<TZenqXMLNode> attributes;
    // In document order. Whitespace-only text between elements is not a child.
    std::vector<TZenqXMLNode> children;

    bool IsTextElement() const { return isTextElement; }
};

// A parsed XML text with its root element.
class TZenqXMLDocument
{
public:
    TZenqXMLDocument() = default;
    TZenqXMLDocument(const TZenqXMLDocument &) = delete;
    TZenqXMLDocument &operator=(const TZenqXMLDocument &) = delete;

    // Whether the text to load carries its own XML declaration; kept for writing the document back.
    // Qt's parser reads a declaration itself, so loading does not depend on it.
    void setHasXMLDeclaration(bool has) { m_hasDeclaration = has; }
    bool hasXMLDeclaration() const { return m_hasDeclaration; }

    // Parses `xml`; false with *error (and no root) when it is not well-formed or has no root element.
    bool LoadFromXML(const QString &xml, QString *error = nullptr);
    // The root element; null before a successful load.
    const TZenqXMLNode *root() const { return m_root.get(); }
    // Takes the root out of the document (for keeping trees without their documents).
    std::unique_ptr<TZenqXMLNode> takeRoot() { return std::move(m_root); }

private:
    bool m_hasDeclaration = false;
    std::unique_ptr<TZenqXMLNode> m_root;
};

// Whether "<?XML" occurs in `xml`, letter case ignored: the flag a document is given before loading.
bool ZenqHasXMLDeclaration(const QString &xml);

// Parses `xml` into its root node (the declaration flag set as above); null when it does not parse.
// Every call counts one parse in ZenqXMLParseCount().
std::unique_ptr<TZenqXMLNode> ZenqParseXMLRoot(const QString &xml);

// How many XML texts this process has parsed through ZenqParseXMLRoot and SimilarXml (thread-safe).
long long ZenqXMLParseCount();

// Same kind and name (exact); same IsTextElement, and for two text elements the same text (exact);
// attributes pairwise in order; children with runs of consecutive siblings that are similar to the
// first of their run counting as one.
bool SimilarNodes(const TZenqXMLNode &x, const TZenqXMLNode &y);

// True if both texts parse and their roots are SimilarNodes; a text that does not parse is never similar.
bool SimilarXml(const QString &a, const QString &b);
