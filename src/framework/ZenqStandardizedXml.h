#pragma once
// The framework's standardized rendering of an XML tree and its entity conversion, for pages that show
// XML as text. Pure functions, any thread.
#include <QDomNode>
#include <QString>

// The namespace URI of the framework's XML document ("Zenq:Document"); installation configuration.
inline const QString ZenqDocumentNamespaceURI = QStringLiteral("http://www.vantrel.com/Zenq/Document");

// Parses `text`; `hasNoDeclaration` tells that the text carries no "<?xml" line. False with *error set
// when the text is not well-formed.
bool ZenqLoadXMLDocument(const QString &text, bool hasNoDeclaration, QDomDocument &document, QString *error = nullptr);

// One markup line per element (an element holding only text stays on its line), each line prefixed with
// `indent` once per level and ended by `lineEnd`; attributes sorted by name and quoted with `quote`; an
// element without children is written "<name/>"; no declaration.
QString ZenqGetStandardizedXML(const QDomNode &node, const QString &lineEnd, const QString &indent, QChar quote);

// The markup characters & < > " ' as their standard entities; with `keepExisting` an entity already in
// the text (an "&" that starts "&name;" or "&#...;") is left as it stands.
QString JInternetXMLStandardEntitiestoXML(const QString &text, bool keepExisting);
