#pragma once
// A small DOM facade: the document operations the request classes perform on request and reply
// documents. Element names are matched as written, prefixes included ("rs:data", "z:row").
// Text written through this layer is escaped on output whatever it holds.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pugi {
struct xml_node_struct;
class xml_document;
}  // namespace pugi

namespace corvane {

class XmlDocument;

// A handle to an element of a document (or no element: a null node). Handles stay valid while
// the element is in its document; copying a handle does not copy the element.
class XmlNode {
 public:
  XmlNode() = default;

  bool isNull() const { return node_ == nullptr; }
  explicit operator bool() const { return node_ != nullptr; }
  bool operator==(const XmlNode& other) const { return node_ == other.node_; }

  std::string name() const;

  // Attribute text; empty when the attribute is missing.
  std::string attribute(std::string_view name) const;
  std::optional<std::string> findAttribute(std::string_view name) const;
  bool hasAttribute(std::string_view name) const;
  void setAttribute(std::string_view name, std::string_view value);
  void removeAttribute(std::string_view name);
  // All attributes in document order, as (name, value).
  std::vector<std::pair<std::string, std::string>> attributes() const;

  // The text of the element and its descendants, concatenated.
  std::string text() const;
  // Replaces the element's children by one text node.
  void setText(std::string_view value);

  XmlNode parent() const;  // null for the document element
  XmlNode firstChild() const;  // first child element
  XmlNode child(std::string_view name) const;  // first child element with that name
  std::vector<XmlNode> children() const;  // child elements in order

  XmlNode appendElement(std::string_view name);
  // Appends `node` as last child. A node of this document moves; a node of another document is
  // copied into this one (the original stays where it was). Returns the appended node.
  XmlNode appendChild(XmlNode node);
  // Inserts a copy of `node` (of any document) before `before`, a child of this element.
  XmlNode insertBefore(XmlNode node, XmlNode before);
  void removeChild(XmlNode child);
  // Puts `replacement` (of any document, copied when foreign) in the place of `oldChild`.
  XmlNode replaceChild(XmlNode replacement, XmlNode oldChild);

  // XPath 1.0, relative to this element; an XPath that selects nothing gives an empty list or a
  // null node. A malformed XPath raises RuntimeError (91-like "object missing" is not used here:
  // it is a statement error of the caller, number 13).
  std::vector<XmlNode> selectNodes(std::string_view xpath) const;
  XmlNode selectSingleNode(std::string_view xpath) const;

  // The element's markup, without declaration.
  std::string xml() const;

 private:
  friend class XmlDocument;
  explicit XmlNode(pugi::xml_node_struct* node) : node_(node) {}
  pugi::xml_node_struct* node_ = nullptr;
};

class XmlDocument {
 public:
  XmlDocument();
  ~XmlDocument();
  XmlDocument(XmlDocument&&) noexcept;
  XmlDocument& operator=(XmlDocument&&) noexcept;
  XmlDocument(const XmlDocument&) = delete;
  XmlDocument& operator=(const XmlDocument&) = delete;

  // Replaces the content by the parsed text. On malformed text answers false and leaves the
  // document empty; never throws. Text nodes of white space only are dropped.
  bool loadXML(std::string_view text);
  // The document's text: empty for an empty document, else its markup (a declaration only if the
  // loaded text had one).
  std::string xml() const;
  bool isEmpty() const { return documentElement().isNull(); }
  void clear();

  XmlNode documentElement() const;
  // Creates the document element when the document is empty; raises when it already has one.
  XmlNode createDocumentElement(std::string_view name);
  // Makes `node` (of any document) the document element, replacing the content.
  XmlNode setDocumentElement(XmlNode node);

  // XPath from the document root ("//func", "rs:data/z:row" relative to the root).
  std::vector<XmlNode> selectNodes(std::string_view xpath) const;
  XmlNode selectSingleNode(std::string_view xpath) const;

 private:
  std::unique_ptr<pugi::xml_document> document_;
  bool hasDeclaration_ = false;
};

}  // namespace corvane
