#pragma once
// Voucher templates, their fixed texts, the company logo and the print formats, as the web
// client's voucher forms read them. Each Answer/Store function loads its reply into
// `call.oXml` and raises RuntimeError on failure: business failures carry number 0 and the
// message text, or an empty text where the public services put in their own default message.

#include <string>

namespace corvane {

class LoginContext;
struct FuncCall;

// The templates of the card `cardNumber` that the user may use: empty text means no
// restriction, "1=2" none, any other text is a comma list of vt_id values. The row-authorisation
// service is not reached yet, so every user is unrestricted for now.
std::string TemplateRights(LoginContext& login, const std::string& cardNumber);

// The statements that apply the rights (request values quoted, the rights list as the service
// gives it): the card's templates of one mode; its first screen template; the template `id`
// when it is among the allowed ones.
std::string TemplateListSql(const std::string& cardNumber, int mode, const std::string& rights);
std::string DefaultTemplateSql(const std::string& cardNumber, const std::string& rights);
std::string AllowedTemplateSql(const std::string& cardNumber, const std::string& rights, const std::string& templateId);

// `in/type` card, `in/kind` template mode (0 to 255, default 0): "<rows>" with a `row` line
// (vt_id, vt_name, vt_cardnumber) per allowed template.
void AnswerTemplateList(FuncCall& call);
// `in/type` card, `in/id` template (optional), `in/test` (optional): the template's data as a
// record set; without an id the card's first allowed screen template, or for a test just
// "<Rows>1</Rows>" or "<Rows/>". Raises with message 0094 when the id is not allowed, 0093
// when the card has no allowed screen template, and with an empty text when the template
// service finds no data.
void AnswerTemplate(FuncCall& call);
// AnswerTemplate as the public services serve it ("VchModuleGet"), for the voucher classes as
// well: true, or false after loading the error reply "Corvane:CPubMsg:VchModuleGet:<number>"
// into `call.oXml`, with message 0095 when the failure has no text.
bool ServeTemplate(FuncCall& call);
// `in/id` template: its fixed texts as a record set; raises with an empty text when there is
// no such template.
void AnswerFixedData(FuncCall& call);
// "<logo>image data</logo>".
void AnswerLogo(FuncCall& call);
// `in/key`: "<printset>format</printset>"; raises with message 0097 when none is stored.
void AnswerPrintFormat(FuncCall& call);
// `in/key`, `in/printset`: stores the format under the key, replacing an earlier one;
// "<success/>". The write stands at once unless the caller holds a transaction.
void StorePrintFormat(FuncCall& call);

}  // namespace corvane
