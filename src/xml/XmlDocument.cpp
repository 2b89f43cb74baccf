#include "xml/XmlDocument.h"

#include <msxml2.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <memory>

namespace Xml {

using Microsoft::WRL::ComPtr;

// The MinGW headers declare these but do not define them.
const CLSID kClsidDomDocument60 = {0x88d96a05, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};
const IID kIidXmlDomDocument2 = {0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

// A node together with the document that creates its children.
struct NodeRef {
    ComPtr<IXMLDOMDocument2> document;
    ComPtr<IXMLDOMNode> node;
};

namespace {

// Owns a BSTR.
class Bstr {
public:
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr() = default;
    explicit Bstr(const std::wstring& text) : value_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
        if (!value_) throw XmlException(L"Out of memory for an XML string");
    }
    ~Bstr() { SysFreeString(value_); }
    BSTR get() const noexcept { return value_; }
    BSTR* out() noexcept { return &value_; }  // only on an empty Bstr
    std::wstring str() const { return value_ ? std::wstring(value_, SysStringLen(value_)) : std::wstring(); }

private:
    BSTR value_ = nullptr;
};

// Owns a VARIANT.
class Variant {
public:
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    Variant() { VariantInit(&value_); }
    explicit Variant(const std::wstring& text) : Variant() {
        value_.vt = VT_BSTR;
        value_.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (!value_.bstrVal) throw XmlException(L"Out of memory for an XML string");
    }
    explicit Variant(bool flag) : Variant() {
        value_.vt = VT_BOOL;
        value_.boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
    }
    ~Variant() { VariantClear(&value_); }
    const VARIANT& get() const noexcept { return value_; }
    VARIANT* out() noexcept { return &value_; }

private:
    VARIANT value_;
};

void Check(HRESULT hr, const wchar_t* what) {
    if (FAILED(hr)) {
        wchar_t text[160];
        swprintf(text, sizeof text / sizeof *text, L"XML error in %ls (0x%08lX)", what, static_cast<unsigned long>(hr));
        throw XmlException(text);
    }
}

ComPtr<IXMLDOMDocument2> CreateDocument() {
    ComPtr<IXMLDOMDocument2> document;
    Check(CoCreateInstance(kClsidDomDocument60, nullptr, CLSCTX_INPROC_SERVER, kIidXmlDomDocument2,
                           reinterpret_cast<void**>(document.GetAddressOf())),
          L"CoCreateInstance(DOMDocument60)");
    Check(document->put_async(VARIANT_FALSE), L"DOMDocument.async");
    return document;
}

std::shared_ptr<NodeRef> MakeRef(const ComPtr<IXMLDOMDocument2>& document, ComPtr<IXMLDOMNode> node) {
    auto ref = std::make_shared<NodeRef>();
    ref->document = document;
    ref->node = std::move(node);
    return ref;
}

ComPtr<IXMLDOMNode> Append(IXMLDOMNode* parent, IXMLDOMNode* child) {
    ComPtr<IXMLDOMNode> added;
    Check(parent->appendChild(child, added.GetAddressOf()), L"appendChild");
    return added;
}

ComPtr<IXMLDOMNode> CreateElement(IXMLDOMDocument2* document, const std::wstring& name) {
    ComPtr<IXMLDOMElement> element;
    Check(document->createElement(Bstr(name).get(), element.GetAddressOf()), L"createElement");
    return element;  // an element is a node
}

std::wstring NodeName(IXMLDOMNode* node, HRESULT (STDMETHODCALLTYPE IXMLDOMNode::*getter)(BSTR*)) {
    Bstr name;
    Check((node->*getter)(name.out()), L"node name");
    return name.str();
}

// Every operation on an empty Node or Document raises instead of dereferencing nothing.
const NodeRef& Require(const std::shared_ptr<NodeRef>& ref) {
    if (!ref) throw XmlException(L"The XML node or document is empty");
    return *ref;
}

}  // namespace

Node Node::AddChild(const std::wstring& name, const std::wstring& text) {
    const NodeRef& self = Require(ref_);
    ComPtr<IXMLDOMNode> child = CreateElement(self.document.Get(), name);
    // No text node for an empty value, so the writer emits an empty element.
    if (!text.empty()) Check(child->put_text(Bstr(text).get()), L"put_text");
    return Node(MakeRef(self.document, Append(self.node.Get(), child.Get())));
}

Node Node::FindChild(const std::wstring& name) const {
    const NodeRef& self = Require(ref_);
    ComPtr<IXMLDOMNode> child;
    Check(self.node->get_firstChild(child.GetAddressOf()), L"firstChild");
    while (child) {
        if (NodeName(child.Get(), &IXMLDOMNode::get_nodeName) == name ||
            NodeName(child.Get(), &IXMLDOMNode::get_baseName) == name)
            return Node(MakeRef(self.document, child));
        ComPtr<IXMLDOMNode> next;
        Check(child->get_nextSibling(next.GetAddressOf()), L"nextSibling");
        child = std::move(next);
    }
    return Node();
}

std::wstring Node::Text() const {
    const NodeRef& self = Require(ref_);
    ComPtr<IXMLDOMNode> child;
    Check(self.node->get_firstChild(child.GetAddressOf()), L"firstChild");
    if (!child) return std::wstring();
    ComPtr<IXMLDOMNode> next;
    Check(child->get_nextSibling(next.GetAddressOf()), L"nextSibling");
    DOMNodeType type = NODE_INVALID;
    Check(child->get_nodeType(&type), L"nodeType");
    if (next || (type != NODE_TEXT && type != NODE_CDATA_SECTION))
        throw XmlException(L"The element holds more than one text value");
    Variant value;
    Check(child->get_nodeValue(value.out()), L"nodeValue");
    if (value.get().vt != VT_BSTR || !value.get().bstrVal) return std::wstring();
    return std::wstring(value.get().bstrVal, SysStringLen(value.get().bstrVal));
}

Document Document::New() {
    ComPtr<IXMLDOMDocument2> document = CreateDocument();
    ComPtr<IXMLDOMProcessingInstruction> declaration;
    Check(document->createProcessingInstruction(Bstr(L"xml").get(), Bstr(L"version=\"1.0\"").get(),
                                                declaration.GetAddressOf()),
          L"createProcessingInstruction");
    Append(document.Get(), declaration.Get());
    return Document(MakeRef(document, document));
}

Document Document::Load(const std::wstring& path) {
    ComPtr<IXMLDOMDocument2> document = CreateDocument();
    // Values are read exactly as stored, spaces included.
    Check(document->put_preserveWhiteSpace(VARIANT_TRUE), L"preserveWhiteSpace");
    Check(document->put_validateOnParse(VARIANT_FALSE), L"validateOnParse");
    Check(document->put_resolveExternals(VARIANT_FALSE), L"resolveExternals");
    Check(document->setProperty(Bstr(L"ProhibitDTD").get(), Variant(true).get()), L"ProhibitDTD");
    VARIANT_BOOL loaded = VARIANT_FALSE;
    Check(document->load(Variant(path).get(), &loaded), L"load");
    if (loaded != VARIANT_TRUE) throw XmlException(L"Cannot load the XML file " + path);
    // Not every DOM honours ProhibitDTD; a document type is refused here as well,
    // so no entity of a file ever expands into a value.
    ComPtr<IXMLDOMDocumentType> documentType;
    Check(document->get_doctype(documentType.GetAddressOf()), L"doctype");
    if (documentType) throw XmlException(L"The XML file has a document type: " + path);
    return Document(MakeRef(document, document));
}

Node Document::AddDocumentElement(const std::wstring& name) {
    const NodeRef& self = Require(ref_);
    ComPtr<IXMLDOMNode> element = CreateElement(self.document.Get(), name);
    return Node(MakeRef(self.document, Append(self.document.Get(), element.Get())));
}

Node Document::DocumentElement() const {
    const NodeRef& self = Require(ref_);
    ComPtr<IXMLDOMElement> element;
    Check(self.document->get_documentElement(element.GetAddressOf()), L"documentElement");
    if (!element) return Node();
    return Node(MakeRef(self.document, element));
}

void Document::Save(const std::wstring& path) const {
    const NodeRef& self = Require(ref_);
    Check(self.document->save(Variant(path).get()), L"save");
}

}  // namespace Xml
