// A small XML document layer: build a document, save it, load it, look up
// children and read their text. Errors are raised as XmlException.
//
// Objects are shared references: copies refer to the same node or document.
// COM must be initialised on the calling thread (Win::ComApartment); a document
// and its nodes are used on the thread that made them.
#pragma once

#include "win/Exception.h"

#include <memory>
#include <string>

namespace Xml {

class XmlException : public Win::Exception {
public:
    using Win::Exception::Exception;
};

struct NodeRef;

// A node of a document; an empty Node refers to nothing.
class Node {
public:
    Node() = default;
    explicit operator bool() const noexcept { return static_cast<bool>(ref_); }

    // Appends a child element named `name` whose text is `text`; returns it.
    Node AddChild(const std::wstring& name, const std::wstring& text);

    // Returns the first direct child whose node name or local name equals
    // `name` exactly, or an empty Node.
    Node FindChild(const std::wstring& name) const;

    // Returns the text content: empty for a node without children, the text of
    // a node whose only child is one text or CDATA node. Any other content
    // raises XmlException.
    std::wstring Text() const;

private:
    friend class Document;
    explicit Node(std::shared_ptr<NodeRef> ref) : ref_(std::move(ref)) {}
    std::shared_ptr<NodeRef> ref_;
};

// An XML document in memory.
class Document {
public:
    Document() = default;
    explicit operator bool() const noexcept { return static_cast<bool>(ref_); }

    // Makes a new document holding only the declaration with version "1.0".
    static Document New();

    // Loads and parses the file at `path`; raises XmlException when it cannot.
    // DTDs and external entities are refused.
    static Document Load(const std::wstring& path);

    // Appends the document element named `name`; returns it.
    Node AddDocumentElement(const std::wstring& name);

    // Returns the document element, or an empty Node.
    Node DocumentElement() const;

    // Writes the document to `path` (UTF-8), replacing any file there.
    void Save(const std::wstring& path) const;

private:
    explicit Document(std::shared_ptr<NodeRef> ref) : ref_(std::move(ref)) {}
    std::shared_ptr<NodeRef> ref_;
};

}  // namespace Xml
