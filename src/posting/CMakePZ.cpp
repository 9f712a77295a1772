#include "posting/CMakePZ.h"

#include <algorithm>
#include <optional>

#include "host/LoginContext.h"
#include "platform/com/RuntimeError.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "platform/tsql/SqlLiteral.h"
#include "platform/xml/XmlDocument.h"
#include "posting/DraftCompletion.h"
#include "posting/DraftLineBuilders.h"
#include "posting/DraftMerge.h"
#include "posting/DraftTable.h"
#include "posting/EditedDraftSave.h"
#include "posting/LedgerConversion.h"
#include "posting/LedgerRights.h"
#include "posting/LedgerVoiding.h"
#include "request/ErrorReply.h"
#include "request/Messages.h"
#include "request/QueryBuilders.h"
#include "request/RequestTransaction.h"
#include "request/RowVersion.h"
#include "request/RowXml.h"
#include "request/SqlGateway.h"
#include "request/TempTables.h"
#include "request/Values.h"

namespace corvane {

namespace {

constexpr std::size_t kBatchDigits = 29;

// What a "makepz" func asks for, in either of its forms.
struct MakeRequest {
  std::vector<XmlNode> vouchers;
  std::string voucherType;
  std::string voucherDate;
  bool stopAtDraft = true;
  bool merge = false;  // all vouchers go into one ledger voucher with their lines merged
};

std::string childText(const XmlNode& parent, std::string_view name) {
  const XmlNode node = parent.child(name);
  return node ? node.text() : std::string();
}

// The parameter form has in/pztype; the row form carries the type word and date on `in`, and
// only those of its children that name a voucher (guid or strtypecode) are vouchers.
MakeRequest readRequest(const XmlNode& func) {
  const XmlNode in = func.child("in");
  if (!in) raiseObjectMissing();
  MakeRequest request;
  request.merge = in.attribute("con") == "1";
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
  raiseMessage("Z7.Corvane.0298");
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
    const std::string pending =
        loan
            ? "select guid from KX_LoanVouch_sub where isnull(strpayid,'')<>'' and isnull(blnnetok,0)<>1 and mguid=" +
                  guid + " and mguid In " + visibleGuids(call.ologin, "KX_LoanVouch")
            : "select guid from KX_Balanceinfo where isnull(strpayid,'')<>'' and isnull(blnnetok,0)<>1 and expenguid=" +
                  guid + " and expenguid In " + visibleGuids(call.ologin, "KX_ExpenVouch");
    if (!sql::openReadOnly(call.CN, pending).eof()) raiseMessage(loan ? "Z7.Corvane.0294" : "Z7.Corvane.0295");
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
  const db::Recordset rs =
      sql::openReadOnly(CN, "Select Cast(ts As money) As ts From " + head + " Where GUID = " + db::quoteLiteral(guid));
  return rs.eof() ? std::string() : NullToStr(rs.field("ts").value());
}

// The preview's columns, as the client's draft form reads them.
constexpr const char* kPreviewColumns =
    "csign,ino_id,inid,cbill,doutbilldate,dbill_date,ccashier,idoc,ctext1,ctext2,cexch_name,cdigest,ccode,ccodename,"
    "md,mc,md_f,mc_f,nfrat,nd_s,nc_s,csettle,csettlename as cssname,cn_id,dt_date,cdept_id,cdept_name,cperson_id,"
    "cperson_name,ccus_id,ccus_name,csup_id,csup_name,citem_id,citem_name,citem_class,citemclassname,cname,"
    "ccode_equal,bvouchedit,bvouchaddordele,bvouchmoneyhold,bvalueedit,bcodeedit,ccodecontrol,bPCSedit,bDeptedit,"
    "bItemedit,bCusSupInput,coutaccset,ioutyear,coutsysname,coutsysver,ioutperiod,coutsign,coutno_id,doutdate,"
    "coutbillsign,coutid,iflag,bWH_BgFlag,cdefine1,cdefine2,cdefine3,cdefine4,cdefine5,cdefine6,cdefine7,cdefine8,"
    "cdefine9,cdefine10,cdefine11,cdefine12,cdefine13,cdefine14,cdefine15,strTypeCode,VouchGUID,cdefine16";

// The draft tables a func makes are dropped when the func ends, whatever its outcome: no one
// reads them afterwards (the client gets a preview's lines, never its table, and the importer
// reads a draft within the conversion).
class DraftTables {
 public:
  DraftTables(db::Connection& CN, DraftState& state) : CN_(CN), state_(state) {}
  ~DraftTables() {
    for (const std::string& table : state_.tables) DropTmpTable(CN_, table);
    state_.tables.clear();
  }
  DraftTables(const DraftTables&) = delete;
  DraftTables& operator=(const DraftTables&) = delete;

 private:
  db::Connection& CN_;
  DraftState& state_;
};

std::string previewRows(db::Connection& CN, const std::string& table) {
  db::Recordset rs = sql::openReadOnly(CN, std::string("SELECT ") + kPreviewColumns + " FROM " + table +
                                               " where isnull(md,0)<>0 OR isnull(mc,0)<>0 order by inid");
  return RsToRowXml(rs);
}

// Numbers the lines with an amount 1, 2, 3 in line order; lines without keep their number.
void renumberLinesWithAmounts(db::Connection& CN, const std::string& table) {
  std::vector<std::int32_t> numbers;
  {
    for (db::Recordset rs = sql::openReadOnly(
             CN, "select inid from " + table + " where isnull(md,0)<>0 OR isnull(mc,0)<>0 order by inid");
         !rs.eof(); rs.moveNext())
      numbers.push_back(CLng(rs.field("inid").value()));
  }
  if (numbers.empty()) raiseMessage("Z7.Corvane.0312");
  // New numbers never exceed old ones, so walking upwards never meets a line already renumbered.
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    sql::execute(CN, "update " + table + " set inid=" + std::to_string(i + 1) +
                         " where inid=" + std::to_string(numbers[i]) + " and (isnull(md,0)<>0 OR isnull(mc,0)<>0)");
  }
}

constexpr FuncEntry<CMakePZ> kFuncTable[] = {
    FuncEntry<CMakePZ>{"makepz", &CMakePZ::makepz},
    FuncEntry<CMakePZ>{"getpzdata", &CMakePZ::GetPZData},
    FuncEntry<CMakePZ>{"cancelpz", &CMakePZ::cancelpz, false, {}, true},
    FuncEntry<CMakePZ>{"SaveTempPZData", &CMakePZ::SaveTempPZData, false, {}, true},
};

}  // namespace

const FrameSettings CMakePZ::kFrame{
    .className = "CMakePZ",
    .rightScope = RightScope::PerRequest,
    .rightCode = "KX0206",
    .connectionTimeout = 60,
    .transaction = TransactionScope::OwnedByMembers,
};
const std::span<const FuncEntry<CMakePZ>> CMakePZ::kFuncs = kFuncTable;

bool CMakePZ::makepz(FuncCall& call) {
  const DraftTables tables(call.CN, state_);
  PrepareDraftMaking(call, false);
  return MakePZ(call);
}

void CMakePZ::PrepareDraftMaking(FuncCall& call, bool preview) {
  state_ = DraftState{};
  state_.preview = preview;
  state_.batchId = newBatchDigits(call.CN);
}

bool CMakePZ::MakePZ(FuncCall& call) {
  return answerAsMember(call.oXml, "CLoan", "recordGet", [&] {
    const MakeRequest request = readRequest(call.oNode);
    const bool stopAtDraft = request.stopAtDraft || state_.preview;
    RequestTransaction transaction(call.CN);
    checkPendingPayments(call, request.vouchers);
    state_.table = CreatePZTbl(call.CN, call.ologin);
    state_.tables.push_back(state_.table);
    state_.voucherType = request.voucherType;
    state_.voucherDate = request.voucherDate;
    if (!IsDate(Variant(state_.voucherDate))) raiseMessage("Z7.Corvane.0314");
    for (const XmlNode& voucher : request.vouchers) MakeVouchRows(call, voucher, !stopAtDraft);
    UpdateItemClass(call.CN, state_.table);
    if (request.merge) {
      state_.table = MergePZRows(call.CN, call.ologin, state_.table);
      state_.tables.push_back(state_.table);
    }
    UpdatePublicInfo(call);
    // The conversion joins the draft's transaction: when it fails, the claims, the draft and
    // whatever the conversion wrote roll back together, and the sources keep their row versions.
    if (!stopAtDraft && !ConvertPZ(call)) return false;
    transaction.commit();
    // The cheque book writes on a connection of its own, so only once the commit has given up
    // this request's write lock.
    if (!stopAtDraft) RegisterDraftCheques(call.ologin, call.CN, {state_.table, state_.batchId, {}}, call.oXml);
    return true;
  });
}

void CMakePZ::MakeVouchRows(FuncCall& call, const XmlNode& voucher, bool claim) {
  const char kind = kindOf(voucher);
  const std::string head = headOf(kind);
  if (state_.batchId.size() == kBatchDigits) state_.batchId.insert(state_.batchId.begin(), kind);
  const std::string guid = voucher.attribute("guid");
  const std::string vouchId = voucher.attribute("strvouchid");
  const std::string free = freeVoucherCondition(call.ologin, head, guid);
  if (state_.preview) {
    // A preview claims nothing; it still shows only vouchers within the user's data rights.
    if (sql::count(call.CN, "Select Count(*) From " + head + " Where GUID = " + db::quoteLiteral(guid) +
                                " And GUID In " + visibleGuids(call.ologin, head)) != 1) {
      raiseMessage("Z7.Corvane.0257");
    }
  } else if (claim) {
    ClaimedVoucher claimed{head, guid, vouchId,
                           "Update " + head + " Set strMakerID = " + db::quoteLiteral(DraftState::kClaimMark) +
                               " Where " + free + readVersionCondition(voucher),
                           ""};
    if (sql::execute(call.CN, claimed.claimSql) != 1) raiseMessage("Z7.Corvane.0334", vouchId);
    claimed.version = versionOf(call.CN, head, guid);
    state_.claims.push_back(std::move(claimed));
  } else if (sql::count(call.CN, "Select Count(*) From " + head + " Where " + free) != 1) {
    raiseMessage("Z7.Corvane.0334", vouchId);
  }
  if (kind == '1') MakeExpensePZRows(call.CN, call.ologin, state_, guid);
  if (kind == '2') MakeExpenseOffsetPZRows(call.CN, call.ologin, state_, guid);
  if (kind == '3') MakeLoanPZRows(call.CN, call.ologin, state_, guid);
}

void CMakePZ::UpdatePublicInfo(FuncCall& call) {
  const std::string& table = state_.table;
  sql::execute(call.CN, "Update " + table + " Set dbill_date=" + db::quoteLiteral(state_.voucherDate) +
                            " ,coutno_id = " + db::quoteLiteral(state_.batchId) +
                            ",idoc = Isnull((Select Sum(idoc) From " + table +
                            "),0) ,cbill = " + db::quoteLiteral(call.ologin.UserName()));
}

bool CMakePZ::GetPZData(FuncCall& call) {
  const XmlNode temp = call.oNode.selectSingleNode("//in/blnTemp");
  if (temp && temp.text() == "1") return GetGLPZData(call);
  PrepareDraftMaking(call, true);
  return GetTempPZData(call);
}

bool CMakePZ::GetTempPZData(FuncCall& call) {
  const DraftTables tables(call.CN, state_);
  if (!MakePZ(call)) return false;
  return answerAsMember(call.oXml, "CLoan", "recordGet", [&] {
    RequestTransaction transaction(call.CN);
    renumberLinesWithAmounts(call.CN, state_.table);
    const std::string rows = previewRows(call.CN, state_.table);
    transaction.commit();
    loadReply(call.oXml, "<Rows>" + rows + "</Rows>");
    return true;
  });
}

bool CMakePZ::GetGLPZData(FuncCall& call) {
  return answerAsMember(call.oXml, "CLoan", "recordGet", [&] {
    const XmlNode code = call.oNode.selectSingleNode("//in/strpzcode");
    const std::string codeCondition =
        "GL_accvouch.csign + '-' + cast(GL_accvouch.iperiod as nvarchar(10)) + '-' + cast(GL_accvouch.ino_id as "
        "nvarchar(10)) = " +
        db::quoteLiteral(code ? code.text() : std::string());
    // A voucher outside the user's data rights reads as one that does not exist: no lines.
    if (LedgerVoucherOutsideRights(call.ologin, call.CN, codeCondition)) {
      loadReply(call.oXml, "<Rows></Rows>");
      return true;
    }
    std::string userDefined;
    for (int i = 1; i <= 16; ++i)
      userDefined += (i > 1 ? ",GL_accvouch.cdefine" : "GL_accvouch.cdefine") + std::to_string(i);
    db::Recordset rs = sql::openReadOnly(
        call.CN,
        "SELECT GL_accvouch.cname,GL_accvouch.cn_id,GL_accvouch.ino_id, GL_accvouch.csign, GL_accvouch.dbill_date, "
        "GL_accvouch.idoc, GL_accvouch.cdigest, GL_accvouch.ccode, code.ccode_name as ccodename, GL_accvouch.md, "
        "GL_accvouch.mc,GL_accvouch.md_f, GL_accvouch.mc_f, GL_accvouch.cexch_name,GL_accvouch.csettle, "
        "SettleStyle.cssname, GL_accvouch.cdept_id,Department.cDepName as cdept_name , GL_accvouch.cperson_id, "
        "Person.cPersonName as cperson_name,GL_accvouch.ccus_id, Customer.cCusAbbName as ccus_name , "
        "GL_accvouch.csup_id,Vendor.cVenAbbName as csup_name , GL_accvouch.citem_class,fitem.citem_name as "
        "citemclassname,GL_accvouch.citem_id,fitems.citemname as citem_name, GL_accvouch.cbill, GL_accvouch.ccheck,"
        "GL_accvouch.cbook, GL_accvouch.ccashier, GL_accvouch.coutsign,GL_accvouch.coutno_id, dsign.ctext,"
        "GL_accvouch.nd_s , GL_accvouch.nc_s, Code.cmeasure, " +
            userDefined +
            " FROM (select * from gl_accvouch where coutsysname = 'kx') as GL_accvouch LEFT OUTER JOIN dsign ON "
            "GL_accvouch.csign = dsign.csign LEFT OUTER JOIN Customer ON GL_accvouch.ccus_id = Customer.cCusCode "
            "LEFT OUTER JOIN Vendor ON GL_accvouch.csup_id = Vendor.cVenCode LEFT OUTER JOIN Department ON "
            "GL_accvouch.cdept_id = Department.cDepCode LEFT OUTER JOIN SettleStyle ON GL_accvouch.csettle = "
            "SettleStyle.cSSCode LEFT OUTER JOIN code ON GL_accvouch.ccode = code.ccode LEFT OUTER JOIN Person ON "
            "GL_accvouch.cperson_id = Person.cPersonCode AND Department.cDepCode = Person.cDepCode left join fitem on "
            "GL_accvouch.citem_class=fitem.citem_class Left Join " +
            GetItemTableSql("", call.CN) +
            " on fitem.citem_class=fitems.citem_class and GL_accvouch.citem_id=fitems.citemcode Where " +
            codeCondition + " Order By GL_accvouch.inid");
    loadReply(call.oXml, "<Rows>" + RsToRowXml(rs) + "</Rows>");
    return true;
  });
}

bool CMakePZ::ConvertPZ(FuncCall& call) {
  PostingDraft draft{state_.table, state_.batchId, {}};
  for (const ClaimedVoucher& claimed : state_.claims) draft.claimedGuids.insert(claimed.guid);
  const bool converted = ConvertDraft(call.ologin, call.CN, call.oNode, call.oXml, draft);
  state_.claims.clear();  // posted, or released by the conversion
  return converted;
}

bool CMakePZ::cancelpz(FuncCall& call) { return CancelPZList(call.ologin, call.CN, call.oNode, call.oXml); }

bool CMakePZ::SaveTempPZData(FuncCall& call) {
  const DraftTables tables(call.CN, state_);
  state_ = DraftState{};
  PostingDraft draft;
  const bool saved = corvane::SaveTempPZData(call.ologin, call.CN, call.oNode, call.oXml, draft, CreatePZTbl);
  state_.table = draft.draftTable;
  if (!draft.draftTable.empty()) state_.tables.push_back(draft.draftTable);
  state_.batchId = draft.batchId;
  return saved;
}

}  // namespace corvane
