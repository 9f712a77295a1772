#pragma once
// The export list of the person settings: one row per person the user may see, with department,
// grade, contact data, one bank account and the three loan limits as readable texts.

#include <string>

namespace corvane {

class LoginContext;

// The statement of the export list, narrowed to the persons and departments the user may see,
// with the texts of the request's locale.
std::string personExportStatement(const LoginContext& ologin);

}  // namespace corvane
