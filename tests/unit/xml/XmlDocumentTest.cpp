// The XML layer over the platform's DOM: writing, loading, lookup and text.
#include "support/ScratchFiles.h"
#include "win/ComApartment.h"
#include "xml/XmlDocument.h"

#include <gtest/gtest.h>

using namespace TestSupport;

namespace {

class XmlDocumentTest : public ::testing::Test {
protected:
    std::wstring File(const wchar_t* name) const { return folder_.Path() + name; }
    Xml::Node LoadRoot(const std::string& bytes) {
        WriteFileBytes(File(L"in.xml"), bytes);
        return Xml::Document::Load(File(L"in.xml")).DocumentElement();
    }

    Win::ComApartment com_;
    ScratchFolder folder_;
};

// A new document saves as the bare declaration, the elements in order, no
// whitespace, reserved characters escaped, empty values as empty elements.
TEST_F(XmlDocumentTest, SavesDeclarationAndElementsWithoutWhitespace) {
    Xml::Document document = Xml::Document::New();
    Xml::Node root = document.AddDocumentElement(L"Root");
    root.AddChild(L"A", L"x & y < z > w");
    root.AddChild(L"B", L"");
    document.Save(File(L"out.xml"));
    const std::string bytes = ReadFileBytes(File(L"out.xml"));
    EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\"?>", 0), 0u) << bytes;
    EXPECT_NE(bytes.find("<Root><A>x &amp; y &lt; z &gt; w</A><B/></Root>"), std::string::npos) << bytes;
}

// Text survives a save and a load unchanged, Cyrillic, spaces and markup characters included.
TEST_F(XmlDocumentTest, RoundTripsTextExactly) {
    const std::wstring values[] = {L"Получение самой новой версии Orvinta...", L" Кб", L" ", L"a&b<c>d\"e'f",
                                   L"C:\\Users\\Имя\\AppData\\Local\\Temp\\", L"line1\nline2"};
    Xml::Document document = Xml::Document::New();
    Xml::Node root = document.AddDocumentElement(L"Settings");
    for (size_t i = 0; i < std::size(values); ++i) root.AddChild(L"V" + std::to_wstring(i), values[i]);
    document.Save(File(L"round.xml"));

    const Xml::Node loaded = Xml::Document::Load(File(L"round.xml")).DocumentElement();
    for (size_t i = 0; i < std::size(values); ++i)
        EXPECT_EQ(loaded.FindChild(L"V" + std::to_wstring(i)).Text(), values[i]) << i;
}

// Lookup matches node name or local name exactly, takes the first match, and
// looks at direct children only.
TEST_F(XmlDocumentTest, FindsFirstDirectChildByNodeOrLocalName) {
    const Xml::Node root = LoadRoot(
        "<?xml version=\"1.0\"?><r xmlns:p=\"urn:x\"><a>1</a><a>2</a><p:b>3</p:b>"
        "<c><d>4</d></c></r>");
    EXPECT_EQ(root.FindChild(L"a").Text(), L"1");
    EXPECT_EQ(root.FindChild(L"b").Text(), L"3");
    EXPECT_EQ(root.FindChild(L"p:b").Text(), L"3");
    EXPECT_FALSE(root.FindChild(L"A"));
    EXPECT_FALSE(root.FindChild(L"d"));
}

// CDATA reads as text; an empty element reads as ""; nested or mixed content is an error.
TEST_F(XmlDocumentTest, TextOfEachContentKind) {
    const Xml::Node root = LoadRoot(
        "<r><cdata><![CDATA[a<b]]></cdata><empty/><pair></pair><nested><x/></nested>"
        "<mixed>a<x/></mixed><spaced>  v  </spaced></r>");
    EXPECT_EQ(root.FindChild(L"cdata").Text(), L"a<b");
    EXPECT_EQ(root.FindChild(L"empty").Text(), L"");
    EXPECT_EQ(root.FindChild(L"pair").Text(), L"");
    EXPECT_EQ(root.FindChild(L"spaced").Text(), L"  v  ");
    EXPECT_THROW(root.FindChild(L"nested").Text(), Xml::XmlException);
    EXPECT_THROW(root.FindChild(L"mixed").Text(), Xml::XmlException);
}

// Missing, malformed, truncated and DTD-carrying files raise XmlException.
TEST_F(XmlDocumentTest, LoadRaisesForUnreadableFiles) {
    EXPECT_THROW(Xml::Document::Load(File(L"missing.xml")), Xml::XmlException);
    const char* broken[] = {"", "not xml", "<r><a>1</a>", "<r><a>1</b></r>",
                            "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY e \"x\">]><r>&e;</r>"};
    for (const char* bytes : broken) {
        WriteFileBytes(File(L"bad.xml"), bytes);
        EXPECT_THROW(Xml::Document::Load(File(L"bad.xml")), Xml::XmlException) << bytes;
    }
}

// Saving into a folder that does not exist raises instead of losing the error.
TEST_F(XmlDocumentTest, SaveRaisesWhenTheFolderIsMissing) {
    Xml::Document document = Xml::Document::New();
    document.AddDocumentElement(L"r");
    EXPECT_THROW(document.Save(File(L"no-such-folder\\out.xml")), Xml::XmlException);
}

// An empty node or document raises on use instead of dereferencing nothing.
TEST_F(XmlDocumentTest, EmptyHandlesRaise) {
    const Xml::Node node;
    const Xml::Document document;
    EXPECT_FALSE(node);
    EXPECT_FALSE(document);
    EXPECT_THROW(node.FindChild(L"a"), Xml::XmlException);
    EXPECT_THROW(node.Text(), Xml::XmlException);
    EXPECT_THROW(document.DocumentElement(), Xml::XmlException);
    EXPECT_THROW(document.Save(File(L"x.xml")), Xml::XmlException);
}

}  // namespace
