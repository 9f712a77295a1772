#pragma once
// The vouchers of the report tests, on a demo account whose own vouchers are removed, with the
// figures the reports must give worked out by hand beside them.
//
// Vouchers record their maker (strPersonID) by user name, as the row rights compare names:
// 李晓燕 is the clerk, 周建国 the administrator. The clerk may see departments 02 and 0301,
// persons 0003, 0004 and 0005, the items of class 01, and vouchers made by 李晓燕.
//
// Loans (report date 2026-04-01; days = day boundaries from the loan date):
//   no  type dept  person item      budget date        days money  repaid old    maker
//   R1  301  0301  0005   01/P2601  B01    2026-03-20   12  1000   400    1000   李晓燕  lack 600
//   R2  302  0301  0003   01/P2602  B01    2026-02-15   45  2500   Null   2500   李晓燕  lack 2500
//   R3  301  04    0009   ch/A001   B02    2026-01-10   81  700.5  0      700.5  周建国  lack 700.50
//   R4  302  04    0009   ch/A001   -      2025-11-01  151  300$   0      2160   周建国  opening loan
//   R5  301  0301  0005   -         -      2026-03-01   31  1200   1200   1200   周建国  lack 0: left out
//   R6  302  0301  0005   -         -      2026-04-01    0  500    0      500    周建国  on the report date
//   R7  301  02    0003   -         -      2026-03-31    1  0.1    Null   0.1    李晓燕
//   R8  301  02    0003   -         -      2026-03-31    1  0.2    Null   0.2    李晓燕  R7+R8 = 0.30
//   R9  302  01    0002   -         -      2026-03-10   22  100    0      100    周建国
//   R10 302  01    0002   -         -      2026-02-10   50  0      100    0      周建国  lack -100
//   R11 302  02    0003   -         -      2026-03-31    1  0      Null   0      李晓燕
// Person grades: 0005 → 01 经理; 0003 and 0009 → 02 职员.
//
// Claims: S1 201 0301/0005 300 (lines 200 and 100), S2 201 0301/0005 450.25, both by 李晓燕;
// S3 102 04/0009 50$ (local 360), by 周建国.

#include <string>

#include "support/CaseAccount.h"

namespace corvane {

inline std::string reportLoanGuid(int n) {
  return "{AAAAAAAA-0000-0000-0000-0000000000" + std::string(n < 10 ? "0" : "") + std::to_string(n) + "}";
}
inline std::string reportClaimGuid(int n) { return "{CCCCCCCC-0000-0000-0000-00000000000" + std::to_string(n) + "}"; }

inline void addReportVouchers(const CaseAccount& account) {
  for (const char* table : {"KX_LoanVouch_Sub", "KX_LoanVouch", "KX_ExpenVouch_Sub", "KX_ExpenVouch"}) {
    account.execute(std::string("DELETE FROM ") + table);
  }
  struct Loan {
    int n;
    const char* values;
  };
  const Loan loans[] = {
      {1,
       "'301','R1','2026-03-20','0301','0005','01','P2601','B01','人民币',1,1000,400,1000,'李晓燕',1,0,'李晓燕','"
       "李晓燕'"},
      {2, "'302','R2','2026-02-15','0301','0003','01','P2602','B01','人民币',1,2500,NULL,2500,'李晓燕',1,0,NULL,NULL"},
      {3, "'301','R3','2026-01-10','04','0009','ch','A001','B02','人民币',1,700.5,0,700.5,'周建国',0,0,NULL,NULL"},
      {4, "'302','R4','2025-11-01','04','0009','ch','A001',NULL,'美元',7.2,300,0,2160,'周建国',1,1,'周建国',NULL"},
      {5, "'301','R5','2026-03-01','0301','0005',NULL,NULL,NULL,'人民币',1,1200,1200,1200,'周建国',1,0,NULL,NULL"},
      {6, "'302','R6','2026-04-01','0301','0005',NULL,NULL,NULL,'人民币',1,500,0,500,'周建国',1,0,NULL,NULL"},
      {7, "'301','R7','2026-03-31','02','0003',NULL,NULL,NULL,'人民币',1,0.1,NULL,0.1,'李晓燕',0,0,NULL,NULL"},
      {8, "'301','R8','2026-03-31','02','0003',NULL,NULL,NULL,'人民币',1,0.2,NULL,0.2,'李晓燕',0,0,NULL,NULL"},
      {9, "'302','R9','2026-03-10','01','0002',NULL,NULL,NULL,'人民币',1,100,0,100,'周建国',1,0,NULL,NULL"},
      {10, "'302','R10','2026-02-10','01','0002',NULL,NULL,NULL,'人民币',1,0,100,0,'周建国',1,0,NULL,NULL"},
      {11, "'302','R11','2026-03-31','02','0003',NULL,NULL,NULL,'人民币',1,0,NULL,0,'李晓燕',0,0,NULL,NULL"},
  };
  for (const Loan& loan : loans) {
    account.execute(
        "INSERT INTO KX_LoanVouch (GUID, strTypeCode, strVouchID, dtLoanDate, strDepartID, strLoanID, strItemClassID, "
        "strItemID, strBudItemID, strBill, fltRate, dblMoney, dblReturn, dblOldMoney, strPersonID, blnAudi, blnBegin, "
        "strAuditorID, strMakerID) VALUES ('" +
        reportLoanGuid(loan.n) + "'," + loan.values + ")");
  }
  // Loan lines: R1 1000 with 400 repaid; R2 2500; R3 a line of 0; R4 300, settled.
  account.execute("INSERT INTO KX_LoanVouch_Sub (MGuid, strBalanceID, dblMoney, dblReturn, blnSettle) VALUES ('" +
                  reportLoanGuid(1) + "','1',1000,400,0),('" + reportLoanGuid(2) + "','1',2500,NULL,0),('" +
                  reportLoanGuid(3) + "','1',0,NULL,0),('" + reportLoanGuid(4) + "','3',300,0,1)");
  account.execute("INSERT INTO BG_Item (cItemCode, cItemName) VALUES ('B01','差旅预算'),('B02','设备预算')");
  account.execute("UPDATE KX_PersonCtrl SET strGradeID='01' WHERE strPersonCode='0005'");
  account.execute("UPDATE KX_PersonCtrl SET strGradeID='02' WHERE strPersonCode='0009'");
  account.execute("INSERT INTO KX_PersonCtrl (strPersonCode, strGradeID) VALUES ('0003','02')");
  account.execute(
      "INSERT INTO KX_ExpenVouch (GUID, strTypeCode, strVouchID, dtLoanDate, strDepartID, strLoanID, strBill, fltRate, "
      "dblMoney, dblOldMoney, strPersonID, blnAudi, intBudPass, strAuditorID) VALUES "
      "('" +
      reportClaimGuid(1) +
      "','201','S1','2026-03-02','0301','0005','人民币',1,300,300,'李晓燕',1,1,'李晓燕'),"
      "('" +
      reportClaimGuid(2) +
      "','201','S2','2026-03-05','0301','0005','人民币',1,450.25,450.25,'李晓燕',0,0,NULL),"
      "('" +
      reportClaimGuid(3) + "','102','S3','2026-03-06','04','0009','美元',7.2,50,360,'周建国',1,0,'周建国')");
  account.execute("INSERT INTO KX_ExpenVouch_Sub (MGuid, strIOItem, strJTTools, dblMoney, dblOldMoney) VALUES ('" +
                  reportClaimGuid(1) + "','20101','01',200,200),('" + reportClaimGuid(1) +
                  "','20102',NULL,100,100),('" + reportClaimGuid(2) + "','20102',NULL,450.25,450.25),('" +
                  reportClaimGuid(3) + "','102',NULL,50,360)");
}

// Grants the clerk's group the report rights.
inline void grantClerkReports(const CaseAccount& account) {
  account.execute(
      "INSERT INTO vqsystem..UA_HoldAuth (cAcc_ID, iYear, cUser_ID, iIsUser, cAuth_ID) VALUES "
      "('001',2026,'KXCLERK',0,'KX0401'),('001',2026,'KXCLERK',0,'KX0402'),('001',2026,'KXCLERK',0,'KX0404')");
}

}  // namespace corvane
