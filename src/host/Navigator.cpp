#include "host/Navigator.h"

#include <cctype>
#include <vector>

#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "platform/xml/XmlDocument.h"

namespace corvane {

namespace {

using db::quoteLiteral;

std::string text(const Variant& value) { return value.isNull() ? std::string() : CStr(value); }

struct MenuEntry {
  std::string id;
  std::string parent;
  std::string caption;
  std::string auth;
  std::string url;
};

class EmbeddedNavigator final : public Navigator {
 public:
  explicit EmbeddedNavigator(db::Connection& connection) : connection_(connection) {}

  std::string LoadMenu1(bool byRights, const std::string& subsystem, const std::string& accountId,
                        const std::string& year, const std::string& userId, const std::string&) override {
    const std::vector<MenuEntry> entries = readEntries(subsystem);
    const bool seesAll = !byRights || holdsAdmin(accountId, year, userId);
    const std::vector<std::string> rights = seesAll ? std::vector<std::string>{} : heldRights(accountId, year, userId);
    XmlDocument menu;
    XmlNode nodes = menu.createDocumentElement("nodes");
    for (const MenuEntry& folder : entries) {
      if (!folder.parent.empty()) continue;
      std::vector<const MenuEntry*> shown;
      for (const MenuEntry& entry : entries) {
        if (entry.parent == folder.id && (seesAll || contains(rights, entry.auth))) {
          shown.push_back(&entry);
        }
      }
      if (shown.empty()) continue;
      XmlNode folderNode = nodes.appendElement("node");
      folderNode.setAttribute("id", folder.id);
      folderNode.setAttribute("caption", folder.caption);
      for (const MenuEntry* entry : shown) {
        XmlNode node = folderNode.appendElement("node");
        node.setAttribute("id", entry->id);
        node.setAttribute("caption", entry->caption);
        node.setAttribute("url", entry->url);
        node.setAttribute("auth", entry->auth);
      }
    }
    return nodes.xml();
  }

 private:
  static bool contains(const std::vector<std::string>& rights, const std::string& code) {
    for (const std::string& right : rights) {
      if (equalsIgnoringCase(right, code)) return true;
    }
    return false;
  }

  static bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
        return false;
      }
    }
    return true;
  }

  std::vector<MenuEntry> readEntries(const std::string& subsystem) {
    db::Recordset rs;
    rs.open(
        "SELECT cMenu_ID, cParent_ID, cCaption, cAuth_ID, cUrl FROM vqsystem..UA_Menu "
        "WHERE cSub_ID=" +
            quoteLiteral(subsystem) + " ORDER BY iOrder, cMenu_ID",
        connection_);
    std::vector<MenuEntry> entries;
    for (; !rs.eof(); rs.moveNext()) {
      entries.push_back({text(rs.field("cMenu_ID").value()), text(rs.field("cParent_ID").value()),
                         text(rs.field("cCaption").value()), text(rs.field("cAuth_ID").value()),
                         text(rs.field("cUrl").value())});
    }
    return entries;
  }

  // The rights held in the account-year by the user himself or by one of his groups.
  std::string heldRightsQuery(const std::string& select, const std::string& accountId, const std::string& year,
                              const std::string& userId) const {
    return select + " FROM vqsystem..UA_HoldAuth WHERE cAcc_ID=" + quoteLiteral(accountId) +
           " AND iYear=" + std::to_string(CInt(Variant(year))) +
           " AND ((iIsUser=1 AND cUser_ID=" + quoteLiteral(userId) +
           ") OR (iIsUser=0 AND cUser_ID IN (SELECT cgroup_id FROM vqsystem..UA_Role WHERE "
           "cUser_id=" +
           quoteLiteral(userId) + ")))";
  }

  bool holdsAdmin(const std::string& accountId, const std::string& year, const std::string& userId) {
    db::Recordset rs;
    rs.open(heldRightsQuery("SELECT Count(*) AS n", accountId, year, userId) + " AND cAuth_ID='ADMIN'", connection_);
    return CLng(rs.field("n").value()) > 0;
  }

  std::vector<std::string> heldRights(const std::string& accountId, const std::string& year,
                                      const std::string& userId) {
    db::Recordset rs;
    rs.open(heldRightsQuery("SELECT DISTINCT cAuth_ID", accountId, year, userId), connection_);
    std::vector<std::string> rights;
    for (; !rs.eof(); rs.moveNext()) rights.push_back(text(rs.field(0).value()));
    return rights;
  }

  db::Connection& connection_;
};

}  // namespace

std::unique_ptr<Navigator> CreateNavigator(db::Connection& connection) {
  return std::make_unique<EmbeddedNavigator>(connection);
}

}  // namespace corvane
