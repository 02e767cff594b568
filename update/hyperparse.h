#pragma once

// A small markup tokenizer: splits a string into tag items and text items, reads tag
// parameters (name=value, value quoted or not) and decodes character entities in text.
// Used by the link label and by the update index reader.

#include <QList>
#include <QString>

#include <vector>

namespace gaugeloft::update {

struct THtmlParameter {
    QString Raw;    // as written, a quoted value with its quotes (a comment: its text)
    QString Name;   // before the first "=" (a comment: empty)
    QString Value;  // after the first "=", double quotes removed; empty without "="
};

struct THtmlInfo {
    bool IsTag = false;
    QString Name;  // a tag's first word in upper case ("A", "/A", "BR", "!--..."); empty for text
    QString Text;  // a tag: what stands between "<" and ">"; text: entities decoded
    QList<THtmlParameter> Params;

    // The Value of the first parameter whose Name equals `name` ignoring case; empty if none.
    QString ParamValue(const QString& name) const;
};

class THyperParse {
public:
    // Clears the items and tokenizes `text`.
    void Parse(const QString& text);

    int Count() const { return static_cast<int>(m_items.size()); }
    const THtmlInfo& Item(int index) const { return m_items.at(static_cast<size_t>(index)); }
    const std::vector<THtmlInfo>& Items() const { return m_items; }

private:
    std::vector<THtmlInfo> m_items;
};

// The entity rules on their own: "&amp;", "&#34;", "&#x41;" and the Latin-1 names decoded,
// anything else left as written.
QString DecodeEntities(const QString& text);

} // namespace gaugeloft::update
