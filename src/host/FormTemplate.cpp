#include "host/FormTemplate.h"

#include <string_view>

#include "platform/com/Variant.h"
#include "platform/db/Connection.h"
#include "platform/tsql/SqlLiteral.h"

namespace corvane {

namespace {

db::Recordset query(db::Connection& connection, const std::string& sql) {
  db::Recordset rs;
  rs.open(sql, connection);
  return rs;
}

class EmbeddedFormTemplate final : public FormTemplate {
 public:
  db::Recordset GetTemplateData2(db::Connection& connection, const std::string& cardNumber,
                                 const std::string& templateId) override {
    return query(connection,
                 "Select VoucherTemplates.vt_id, VoucherTemplates.vt_name, VoucherTemplates.vt_cardnumber, "
                 "VoucherTemplates.vt_templatemode, Vouchers.CardName, Vouchers.DEF_ID, "
                 "VoucherTemplateItems.CardSection, VoucherTemplateItems.intOrder, "
                 "VoucherTemplateItems.FieldName, VoucherTemplateItems.CardItemName, "
                 "VoucherTemplateItems.intWidth, VoucherTemplateItems.blnVisible, "
                 "VoucherTemplateItems.blnMustInput "
                 "From VoucherTemplates "
                 "Left Join Vouchers On Vouchers.CardNumber = VoucherTemplates.vt_cardnumber "
                 "Left Join VoucherTemplateItems On VoucherTemplateItems.vt_id = VoucherTemplates.vt_id "
                 "Where VoucherTemplates.vt_cardnumber = " +
                     db::quoteLiteral(cardNumber) + " And VoucherTemplates.vt_id = " + db::quoteLiteral(templateId) +
                     " Order By VoucherTemplateItems.CardSection Desc, VoucherTemplateItems.intOrder");
  }

  std::optional<db::Recordset> GetFixedData(db::Connection& connection, const std::string& templateId) override {
    if (query(connection, "Select vt_id From VoucherTemplates Where vt_id = " + db::quoteLiteral(templateId)).eof()) {
      return std::nullopt;
    }
    return query(connection, "Select strName, strValue From VoucherFixedData Where vt_id = " +
                                 db::quoteLiteral(templateId) + " Order By strName");
  }

  std::string GetCompanyLogoImageData(db::Connection& connection) override {
    const db::Recordset rs = query(connection, "Select ImageData From CompanyLogo");
    return rs.eof() ? std::string() : CStr(rs.field("ImageData").value());
  }
};

}  // namespace

std::unique_ptr<FormTemplate> CreateFormTemplate() { return std::make_unique<EmbeddedFormTemplate>(); }

}  // namespace corvane
