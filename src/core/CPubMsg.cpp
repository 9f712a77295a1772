#include "core/CPubMsg.h"

#include <array>
#include <string>

#include "core/PubAccount.h"
#include "core/PubColumns.h"
#include "core/PubRefer.h"
#include "core/PubReference.h"
#include "request/Messages.h"
#include "request/PubCommon.h"
#include "request/Values.h"
#include "vouchers/Templates.h"
#include "vouchers/VoucherNumbers.h"
#include "vouchers/VoucherReads.h"

namespace corvane {

namespace {

// The reply of a func that failed without one. The func's name is escaped, so that any name
// still gives a well-formed reply.
std::string pubFailReply(std::string_view funcName) {
  return "<?xml version='1.0' encoding='utf-8'?><error><id>Corvane:CPubMsg:pubHandle:" +
         XmlEncode(std::string(funcName)) + "</id><text>" + GetResString("Z7.Corvane.0002") + "</text></error>";
}

constexpr std::array kFuncTable = {
    FuncEntry<CPubMsg>{"edittimeget", &CPubMsg::editTimeGet},
    FuncEntry<CPubMsg>{"ztinfoget", &CPubMsg::ztInfoGet},
    FuncEntry<CPubMsg>{"menuget", &CPubMsg::menuGet},
    FuncEntry<CPubMsg>{"ztget", &CPubMsg::ztGet},
    FuncEntry<CPubMsg>{"accget", &CPubMsg::accGet},
    FuncEntry<CPubMsg>{"accget2", &CPubMsg::accGet2},
    FuncEntry<CPubMsg>{"authget", &CPubMsg::authGet},
    FuncEntry<CPubMsg>{"currencyget", &CPubMsg::currencyGet},
    FuncEntry<CPubMsg>{"hlget", &CPubMsg::hlGet},
    FuncEntry<CPubMsg>{"selectget", &CPubMsg::selectGet},
    FuncEntry<CPubMsg>{"refer", &CPubMsg::itemRefer},
    FuncEntry<CPubMsg>{"userdefcheck", &CPubMsg::userdefCheck},
    FuncEntry<CPubMsg>{"userdefdata", &CPubMsg::userdefData},
    FuncEntry<CPubMsg>{"refercheck", &CPubMsg::referCheck},
    FuncEntry<CPubMsg>{"rptcolumnget", &CPubMsg::RptColumnGet},
    FuncEntry<CPubMsg>{"rptcolumnset", &CPubMsg::RptColumnSet},
    FuncEntry<CPubMsg>{"vchmoduleget", &CPubMsg::VchModuleGet},
    FuncEntry<CPubMsg>{"vchmodulelistget", &CPubMsg::VchModuleListGet},
    FuncEntry<CPubMsg>{"vchnoformatget", &CPubMsg::VchNoFormatGet},
    FuncEntry<CPubMsg>{"vchnoget", &CPubMsg::VchNoGet},
    FuncEntry<CPubMsg>{"vchprintdataget", &CPubMsg::VchPrintDataGet},
    FuncEntry<CPubMsg>{"vchprintdataset", &CPubMsg::VchPrintDataSet},
    FuncEntry<CPubMsg>{"vchfixeddataget", &CPubMsg::VchFixedDataGet},
    FuncEntry<CPubMsg>{"vchlogoget", &CPubMsg::VchLogoGet},
    FuncEntry<CPubMsg>{"vchgetloanheaddata", &CPubMsg::LoanHeadData},
    FuncEntry<CPubMsg>{"vchgetloanbodydata", &CPubMsg::LoanBodyData},
    FuncEntry<CPubMsg>{"vchgetexpenheaddata", &CPubMsg::ExpenseHeadData},
    FuncEntry<CPubMsg>{"vchgetExpenbodydata", &CPubMsg::ExpenseBodyData},
    FuncEntry<CPubMsg>{"addlock", &CPubMsg::addLock},
};

}  // namespace

const FrameSettings CPubMsg::kFrame{
    .className = pub::kClassName,
    .handlerName = "pubHandle",
    .rightScope = RightScope::None,
    .rightCode = "",
    .connectionTimeout = 60,
    .transaction = TransactionScope::OwnedByMembers,
    .failReply = &pubFailReply,
};
const std::span<const FuncEntry<CPubMsg>> CPubMsg::kFuncs = kFuncTable;

bool CPubMsg::editTimeGet(FuncCall& call) {
  return corvane::editTimeGet(call.oNode, call.oXml, clientFolderOf(call.ologin));
}

// The embedded login object's connection look-up does not depend on who is logged in, so the
// request's own object answers as a new one would.
bool CPubMsg::ztInfoGet(FuncCall& call) { return corvane::ztInfoGet(call.oNode, call.oXml, call.ologin); }

bool CPubMsg::menuGet(FuncCall& call) { return corvane::menuGet(call); }
bool CPubMsg::ztGet(FuncCall& call) { return corvane::ztGet(call); }
bool CPubMsg::accGet(FuncCall& call) { return corvane::accGet(call); }
bool CPubMsg::accGet2(FuncCall& call) { return corvane::accGet2(call); }
bool CPubMsg::authGet(FuncCall& call) { return corvane::authGet(call); }
bool CPubMsg::currencyGet(FuncCall& call) { return corvane::currencyGet(call); }
bool CPubMsg::hlGet(FuncCall& call) { return corvane::hlGet(call); }
bool CPubMsg::selectGet(FuncCall& call) { return corvane::selectGet(call); }
bool CPubMsg::itemRefer(FuncCall& call) { return corvane::itemRefer(call); }
bool CPubMsg::userdefCheck(FuncCall& call) { return corvane::userdefCheck(call); }
bool CPubMsg::userdefData(FuncCall& call) { return corvane::userdefData(call); }
bool CPubMsg::referCheck(FuncCall& call) { return corvane::referCheck(call); }
bool CPubMsg::RptColumnGet(FuncCall& call) { return corvane::RptColumnGet(call); }
bool CPubMsg::RptColumnSet(FuncCall& call) { return corvane::RptColumnSet(call); }
bool CPubMsg::addLock(FuncCall& call) { return corvane::addLock(call); }

bool CPubMsg::VchModuleGet(FuncCall& call) { return ServeTemplate(call); }

bool CPubMsg::VchModuleListGet(FuncCall& call) {
  return pub::served(call, "VchModuleListGet", "Z7.Corvane.0092", AnswerTemplateList);
}

bool CPubMsg::VchNoFormatGet(FuncCall& call) { return ServeNumberFormat(call); }

bool CPubMsg::VchNoGet(FuncCall& call) { return ServeVoucherNumber(call); }

bool CPubMsg::VchPrintDataGet(FuncCall& call) {
  return pub::served(call, "VchPrintDataGet", "Z7.Corvane.0097", AnswerPrintFormat);
}

bool CPubMsg::VchPrintDataSet(FuncCall& call) {
  return pub::served(call, "VchPrintDataSet", "Z7.Corvane.0098", StorePrintFormat);
}

bool CPubMsg::VchFixedDataGet(FuncCall& call) {
  return pub::served(call, "VchFixedDataGet", "Z7.Corvane.0096", AnswerFixedData);
}

// The logo's failures carry the fixed-data id, as the web pages expect.
bool CPubMsg::VchLogoGet(FuncCall& call) { return pub::served(call, "VchFixedDataGet", "Z7.Corvane.0096", AnswerLogo); }

// No voucher passes from one func to the next: each read names its own voucher.
bool CPubMsg::LoanHeadData(FuncCall& call) { return ReadVoucherHead(kLoanReads, call, "", nullptr); }

bool CPubMsg::LoanBodyData(FuncCall& call) { return ReadVoucherBody(kLoanReads, call, ""); }

bool CPubMsg::ExpenseHeadData(FuncCall& call) { return ReadVoucherHead(kClaimReads, call, "", nullptr); }

bool CPubMsg::ExpenseBodyData(FuncCall& call) { return ReadVoucherBody(kClaimReads, call, ""); }

}  // namespace corvane
