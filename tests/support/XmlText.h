#pragma once
// XML texts for tests: a func element to put in a request, and replies brought to one form or
// read at a path, so that tests compare them whatever their quoting.

#include <string>
#include <string_view>

#include "platform/xml/XmlDocument.h"

namespace corvane {

// "<func name='NAME' goon='GOON'><in>IN</in></func>", without goon when it is empty.
inline std::string funcXml(const std::string& name, const std::string& in, const std::string& goon = "") {
  return "<func name='" + name + "'" + (goon.empty() ? "" : " goon='" + goon + "'") + "><in>" + in + "</in></func>";
}

// `xml` as the XML layer writes it; "not XML: ..." when it does not load.
inline std::string canonical(std::string_view xml) {
  XmlDocument document;
  if (!document.loadXML(xml)) return "not XML: " + std::string(xml);
  return document.xml();
}

// The text of the first element at `xpath` in `documentXml`; empty when there is none.
inline std::string textAt(const std::string& documentXml, std::string_view xpath) {
  XmlDocument document;
  if (!document.loadXML(documentXml)) return "not XML: " + documentXml;
  const XmlNode node = document.documentElement().selectSingleNode(xpath);
  return node ? node.text() : std::string();
}

}  // namespace corvane
