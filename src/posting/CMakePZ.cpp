#include "posting/CMakePZ.h"

#include <algorithm>
#include <optional>

#include "core/ErrorReply.h"
#include "core/Messages.h"
#include "core/QueryBuilders.h"
#include "core/RowVersion.h"
#include "core/SqlText.h"
#include "core/TempTables.h"
#include "core/Values.h"
#include "host/LoginContext.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/db/SqlLiteral.h"
#include "platform/xml/XmlDocument.h"
#include "posting/DraftLineBuilders.h"
#include "posting/DraftTable.h"
#include "posting/OwnTransaction.h"

namespace corvane {

namespace {

constexpr std::size_t kBatchDigits = 29;

[[noreturn]] void refuse(const std::string& messageId, const std::string& parameter = "") {
  raiseBusiness(GetResString(messageId, "", parameter));
}

// What a "makepz" func asks for, in either of its forms.
struct MakeRequest {
  std::vector<XmlNode> vouchers;
  std::string voucherType;
  std::string voucherDate;
  bool stopAtDraft = true;
};

std::string childText(const XmlNode& parent, std::string_view name) {
  const XmlNode node = parent.child(name);
  return node ? node.text() : std::string();
}

// The parameter form has in/pztype; the row form carries the type word and date on `in`, and
// only those of its children that name a voucher (guid or strtypecode) are vouchers.
MakeRequest readRequest(const XmlNode& func) {
  const XmlNode in = func.child("in");
  if (!in) throw RuntimeError(errnum::kObjectMissing, "Object variable or With block variable not set");
  MakeRequest request;
  if (in.child("pztype")) {
    request.voucherType = childText(in, "pztype");
    request.voucherDate = childText(in, "pzdate");
    if (const XmlNode temp = in.child("blnTemp")) request.stopAtDraft = temp.text() == "1";
    if (const XmlNode rows = in.child("rows")) request.vouchers = rows.children();
    return request;
  }
  request.voucherType = in.attribute("csign");
  request.voucherDate = in.attribute("dbill_date");
  for (const XmlNode& child : in.children()) {
    if (child.hasAttribute("guid") || child.hasAttribute("strtypecode")) request.vouchers.push_back(child);
  }
  return request;
}

// The kind of a voucher is the first character of its operation type code.
char kindOf(const XmlNode& voucher) {
  const std::string code = voucher.attribute("strtypecode");
  return code.empty() ? '\0' : code.front();
}

std::string headOf(char kind) {
  if (kind == '1' || kind == '2') return "KX_ExpenVouch";
  if (kind == '3') return "KX_LoanVouch";
  refuse("Z7.Corvane.0298");
}

// The voucher heads the user may see, as a list of GUIDs.
std::string visibleGuids(const LoginContext& ologin, const std::string& head) {
  return "(Select GUID From " + GetAuthSource(ologin, head, false) + ")";
}

// A payment of the voucher handed to the net bank and not yet confirmed stops the whole request.
void checkPendingPayments(FuncCall& call, const std::vector<XmlNode>& vouchers) {
  for (const XmlNode& voucher : vouchers) {
    const bool loan = kindOf(voucher) == '3';
    const std::string guid = db::quoteLiteral(voucher.attribute("guid"));
    const std::string sql =
        loan ? "select guid from KX_LoanVouch_sub where isnull(strpayid,'')<>'' and isnull(blnnetok,0)<>1 and mguid=" +
                   guid + " and mguid In " + visibleGuids(call.ologin, "KX_LoanVouch")
             : "select guid from KX_Balanceinfo where isnull(strpayid,'')<>'' and isnull(blnnetok,0)<>1 and expenguid=" +
                   guid + " and expenguid In " + visibleGuids(call.ologin, "KX_ExpenVouch");
    db::Recordset rs;
    rs.openReadOnly(FixSqlText(sql), call.CN);
    if (!rs.eof()) refuse(loan ? "Z7.Corvane.0294" : "Z7.Corvane.0295");
  }
}

// A new batch id: the hexadecimal digits of a new GUID, the first 29 of them.
std::string newBatchDigits(db::Connection& CN) {
  std::string digits = GetNewGuid(CN);
  digits.erase(std::remove_if(digits.begin(), digits.end(), [](char c) { return c == '{' || c == '}' || c == '-'; }),
               digits.end());
  return digits.substr(0, kBatchDigits);
}

// Only an approved voucher (strAuditorID set) that is neither posted nor claimed (strMakerID
// empty) and lies within the user's data rights can be drafted or claimed.
std::string freeVoucherCondition(const LoginContext& ologin, const std::string& head, const std::string& guid) {
  return "GUID = " + db::quoteLiteral(guid) + " And Isnull(strAuditorID,'') <> '' And IsNull(strMakerID,'') = ''" +
         " And GUID In " + visibleGuids(ologin, head);
}

// A voucher claimed for conversion must also be as the client read it, when the client says so.
std::string readVersionCondition(const XmlNode& voucher) {
  if (!voucher.hasAttribute("ts")) return "";
  const std::optional<RowVersion> version = RowVersion::parse(voucher.attribute("ts"));
  return version ? " And " + version->condition() : " And 1 = 2";
}

std::string versionOf(db::Connection& CN, const std::string& head, const std::string& guid) {
  db::Recordset rs;
  rs.openReadOnly(FixSqlText("Select Cast(ts As money) As ts From " + head + " Where GUID = " + db::quoteLiteral(guid)),
                  CN);
  return rs.eof() ? std::string() : NullToStr(rs.field("ts").value());
}

long countOf(db::Connection& CN, const std::string& sql) {
  db::Recordset rs;
  rs.openReadOnly(FixSqlText(sql), CN);
  return CLng(rs.field(0).value());
}

constexpr FuncEntry<CMakePZ> kFuncTable[] = {
    FuncEntry<CMakePZ>{"makepz", &CMakePZ::makepz},
};

}  // namespace

const FrameSettings CMakePZ::kFrame{
    .className = "CMakePZ",
    .rightScope = RightScope::PerRequest,
    .rightCode = "KX0206",
    .connectionTimeout = 60,
    .transaction = TransactionScope::None,
};
const std::span<const FuncEntry<CMakePZ>> CMakePZ::kFuncs = kFuncTable;

bool CMakePZ::makepz(FuncCall& call) {
  PrepareDraftMaking(call, false);
  return MakePZ(call);
}

void CMakePZ::PrepareDraftMaking(FuncCall& call, bool preview) {
  state_ = DraftState{};
  state_.preview = preview;
  state_.batchId = newBatchDigits(call.CN);
}

bool CMakePZ::MakePZ(FuncCall& call) {
  bool stopAtDraft = true;
  const bool drafted = answerAsMember(call.oXml, "CLoan", "recordGet", [&] {
    const MakeRequest request = readRequest(call.oNode);
    stopAtDraft = request.stopAtDraft || state_.preview;
    OwnTransaction transaction(call.CN);
    checkPendingPayments(call, request.vouchers);
    state_.table = CreatePZTbl(call.CN, call.ologin);
    state_.voucherType = request.voucherType;
    state_.voucherDate = request.voucherDate;
    if (!IsDate(Variant(state_.voucherDate))) refuse("Z7.Corvane.0314");
    for (const XmlNode& voucher : request.vouchers) MakeVouchRows(call, voucher, !stopAtDraft);
    UpdatePublicInfo(call);
    transaction.commit();
    return true;
  });
  // A failure rolled the claims back with everything else.
  if (!drafted) return false;
  return stopAtDraft ? true : ConvertPZ(call);
}

void CMakePZ::MakeVouchRows(FuncCall& call, const XmlNode& voucher, bool claim) {
  const char kind = kindOf(voucher);
  if (state_.batchId.size() == kBatchDigits) state_.batchId.insert(state_.batchId.begin(), kind);
  const std::string head = headOf(kind);
  const std::string guid = voucher.attribute("guid");
  const std::string vouchId = voucher.attribute("strvouchid");
  const std::string free = freeVoucherCondition(call.ologin, head, guid);
  if (claim) {
    ClaimedVoucher claimed{head, guid, vouchId,
                           "Update " + head + " Set strMakerID = " + db::quoteLiteral(DraftState::kClaimMark) +
                               " Where " + free + readVersionCondition(voucher),
                           "Update " + head + " Set strMakerID = Null Where GUID = " + db::quoteLiteral(guid) +
                               " And strMakerID = " + db::quoteLiteral(DraftState::kClaimMark),
                           ""};
    if (call.CN.execute(FixSqlText(claimed.claimSql)) != 1) refuse("Z7.Corvane.0334", vouchId);
    claimed.version = versionOf(call.CN, head, guid);
    state_.claims.push_back(std::move(claimed));
  } else if (countOf(call.CN, "Select Count(*) From " + head + " Where " + free) != 1) {
    refuse("Z7.Corvane.0334", vouchId);
  }
  if (kind == '1') MakeExpensePZRows(call.CN, call.ologin, state_, guid);
  if (kind == '2') MakeExpenseOffsetPZRows(call.CN, call.ologin, state_, guid);
  if (kind == '3') MakeLoanPZRows(call.CN, call.ologin, state_, guid);
}

void CMakePZ::UpdatePublicInfo(FuncCall& call) {
  const std::string& table = state_.table;
  call.CN.execute(FixSqlText("Update " + table + " Set dbill_date=" + db::quoteLiteral(state_.voucherDate) +
                             " ,coutno_id = " + db::quoteLiteral(state_.batchId) +
                             ",idoc = Isnull((Select Sum(idoc) From " + table + "),0) ,cbill = " +
                             db::quoteLiteral(call.ologin.UserName())));
}

bool CMakePZ::ConvertPZ(FuncCall& call) {
  ReleaseClaims(call.CN);
  loadReply(call.oXml, ErrorReply("CLoan", "recordGet", errnum::kBusiness, GetResString("Z7.Corvane.0661")));
  return false;
}

void CMakePZ::ReleaseClaims(db::Connection& CN) {
  try {
    OwnTransaction transaction(CN);
    for (const ClaimedVoucher& claimed : state_.claims) CN.execute(FixSqlText(claimed.releaseSql));
    transaction.commit();
  } catch (const RuntimeError&) {
    // Nothing is given back when the release fails; the claims stay as they were committed.
  }
  state_.claims.clear();
}

}  // namespace corvane
