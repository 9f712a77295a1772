#pragma once
// A request class: created by ProgID, serves one request document with the user's login object
// and answers in the same document.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

class LoginContext;
class XmlDocument;

class RequestClass {
 public:
  virtual ~RequestClass() = default;
  // Serves every func of `oXml`; `ologin` may be null (the request then gets an error reply).
  virtual void myHandle(LoginContext* ologin, XmlDocument& oXml) = 0;
};

// Creates request classes by ProgID ("Corvane.COperation"), compared without regard to case.
class ClassRegistry {
 public:
  using Factory = std::function<std::unique_ptr<RequestClass>()>;
  struct Entry {
    std::string progId;
    Factory create;
  };

  explicit ClassRegistry(std::vector<Entry> entries) : entries_(std::move(entries)) {}

  bool knows(std::string_view progId) const;
  // Raises RuntimeError 429 ("Class not registered: <progId>") for an unknown ProgID.
  std::unique_ptr<RequestClass> create(std::string_view progId) const;

 private:
  std::vector<Entry> entries_;
};

}  // namespace corvane
