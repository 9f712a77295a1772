#pragma once
// The host's form-template service: the layouts of the voucher cards' templates
// (VoucherTemplates with their fields in VoucherTemplateItems and cards in Vouchers), the fixed
// texts of a template (VoucherFixedData) and the company logo (CompanyLogo). Every operation
// reads through the connection it is given and writes nothing.

#include <memory>
#include <optional>
#include <string>

#include "platform/db/Recordset.h"

namespace corvane {

class FormTemplate {
 public:
  virtual ~FormTemplate() = default;

  // The template `templateId` of the card `cardNumber`: one record per field of the template,
  // head fields (CardSection 'T') before line fields ('B'), each in its order, with the
  // template's and the card's own columns on every record. The set is empty when the card has
  // no such template. Database errors reach the caller, here and below.
  virtual db::Recordset GetTemplateData2(db::Connection& connection, const std::string& cardNumber,
                                         const std::string& templateId) = 0;
  // The fixed texts of the template `templateId` (strName, strValue), possibly none; nothing
  // when there is no such template.
  virtual std::optional<db::Recordset> GetFixedData(db::Connection& connection, const std::string& templateId) = 0;
  // The company logo as base64 image data; empty text when the company has none.
  virtual std::string GetCompanyLogoImageData(db::Connection& connection) = 0;
};

// A new instance of the embedded service.
std::unique_ptr<FormTemplate> CreateFormTemplate();

}  // namespace corvane
