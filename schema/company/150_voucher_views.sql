-- The voucher form views: one row per voucher head and locale, with the names the form shows
-- beside the codes, and one row per voucher line under the AutoID of its head. A line's own
-- identity is SubAutoID.

CREATE VIEW vwKXLoanHead AS
SELECT Corvane_Locale.LocaleID AS LocaleID,
       KX_LoanVouch.*,
       KX_OperationType.strName AS strTypeName,
       Department.cDepName AS strDepartName,
       Person.cPersonName AS strLoanName,
       fitem.citem_name AS strItemClassName
FROM KX_LoanVouch
CROSS JOIN Corvane_Locale
LEFT JOIN KX_OperationType ON KX_OperationType.strCode = KX_LoanVouch.strTypeCode
LEFT JOIN Department ON Department.cDepCode = KX_LoanVouch.strDepartID
LEFT JOIN Person ON Person.cPersonCode = KX_LoanVouch.strLoanID
LEFT JOIN fitem ON fitem.citem_class = KX_LoanVouch.strItemClassID;

CREATE VIEW vwKXLoanBody AS
SELECT KX_LoanVouch.AutoID AS AutoID,
       KX_LoanVouch_Sub.AutoID AS SubAutoID,
       KX_LoanVouch_Sub.GUID AS GUID,
       KX_LoanVouch_Sub.MGuid AS MGuid,
       KX_LoanVouch_Sub.strBalanceID AS strBalanceID,
       KX_LoanVouch_Sub.dblMoney AS dblMoney,
       KX_LoanVouch_Sub.dblPreMoney AS dblPreMoney,
       KX_LoanVouch_Sub.strBillID AS strBillID,
       KX_LoanVouch_Sub.strPayBankID AS strPayBankID,
       KX_LoanVouch_Sub.strBankName AS strBankName,
       KX_LoanVouch_Sub.strBankAcc AS strBankAcc,
       KX_LoanVouch_Sub.cDefine22 AS cDefine22,
       KX_LoanVouch_Sub.cDefine23 AS cDefine23,
       KX_LoanVouch_Sub.cDefine24 AS cDefine24,
       KX_LoanVouch_Sub.cDefine25 AS cDefine25,
       KX_LoanVouch_Sub.cDefine26 AS cDefine26,
       KX_LoanVouch_Sub.cDefine27 AS cDefine27,
       KX_LoanVouch_Sub.cDefine28 AS cDefine28,
       KX_LoanVouch_Sub.cDefine29 AS cDefine29,
       KX_LoanVouch_Sub.cDefine30 AS cDefine30,
       KX_LoanVouch_Sub.cDefine31 AS cDefine31,
       KX_LoanVouch_Sub.cDefine32 AS cDefine32,
       KX_LoanVouch_Sub.cDefine33 AS cDefine33,
       KX_LoanVouch_Sub.cDefine34 AS cDefine34,
       KX_LoanVouch_Sub.cDefine35 AS cDefine35,
       KX_LoanVouch_Sub.cDefine36 AS cDefine36,
       KX_LoanVouch_Sub.cDefine37 AS cDefine37,
       KX_LoanVouch_Sub.dblReturn AS dblReturn,
       KX_LoanVouch_Sub.blnSettle AS blnSettle,
       KX_LoanVouch_Sub.strPayID AS strPayID,
       KX_LoanVouch_Sub.blnNetOK AS blnNetOK,
       KX_LoanVouch_Sub.ts AS ts
FROM KX_LoanVouch_Sub
JOIN KX_LoanVouch ON KX_LoanVouch.GUID = KX_LoanVouch_Sub.MGuid;

CREATE VIEW vwKXExpenHead AS
SELECT Corvane_Locale.LocaleID AS LocaleID,
       KX_ExpenVouch.*,
       KX_OperationType.strName AS strTypeName,
       Department.cDepName AS strDepartName,
       Person.cPersonName AS strLoanName,
       fitem.citem_name AS strItemClassName
FROM KX_ExpenVouch
CROSS JOIN Corvane_Locale
LEFT JOIN KX_OperationType ON KX_OperationType.strCode = KX_ExpenVouch.strTypeCode
LEFT JOIN Department ON Department.cDepCode = KX_ExpenVouch.strDepartID
LEFT JOIN Person ON Person.cPersonCode = KX_ExpenVouch.strLoanID
LEFT JOIN fitem ON fitem.citem_class = KX_ExpenVouch.strItemClassID;

CREATE VIEW vwKXExpenBody AS
SELECT KX_ExpenVouch.AutoID AS AutoID,
       KX_ExpenVouch_Sub.AutoID AS SubAutoID,
       KX_ExpenVouch_Sub.GUID AS GUID,
       KX_ExpenVouch_Sub.MGuid AS MGuid,
       KX_ExpenVouch_Sub.dtBDate AS dtBDate,
       KX_ExpenVouch_Sub.intBTime AS intBTime,
       KX_ExpenVouch_Sub.dtEDate AS dtEDate,
       KX_ExpenVouch_Sub.intETime AS intETime,
       KX_ExpenVouch_Sub.strBZero AS strBZero,
       KX_ExpenVouch_Sub.strEZero AS strEZero,
       KX_ExpenVouch_Sub.strJTTools AS strJTTools,
       KX_ExpenVouch_Sub.strIOItem AS strIOItem,
       KX_IOItem.strName AS strIOItemName,
       KX_ExpenVouch_Sub.dblVouch AS dblVouch,
       KX_ExpenVouch_Sub.dblNumber AS dblNumber,
       KX_ExpenVouch_Sub.dblStand AS dblStand,
       KX_ExpenVouch_Sub.dblPer AS dblPer,
       KX_ExpenVouch_Sub.dblMoney AS dblMoney,
       KX_ExpenVouch_Sub.dblOldMoney AS dblOldMoney,
       KX_ExpenVouch_Sub.intAppend AS intAppend,
       KX_ExpenVouch_Sub.strMemo AS strMemo,
       KX_ExpenVouch_Sub.cDefine22 AS cDefine22,
       KX_ExpenVouch_Sub.cDefine23 AS cDefine23,
       KX_ExpenVouch_Sub.cDefine24 AS cDefine24,
       KX_ExpenVouch_Sub.cDefine25 AS cDefine25,
       KX_ExpenVouch_Sub.cDefine26 AS cDefine26,
       KX_ExpenVouch_Sub.cDefine27 AS cDefine27,
       KX_ExpenVouch_Sub.cDefine28 AS cDefine28,
       KX_ExpenVouch_Sub.cDefine29 AS cDefine29,
       KX_ExpenVouch_Sub.cDefine30 AS cDefine30,
       KX_ExpenVouch_Sub.cDefine31 AS cDefine31,
       KX_ExpenVouch_Sub.cDefine32 AS cDefine32,
       KX_ExpenVouch_Sub.cDefine33 AS cDefine33,
       KX_ExpenVouch_Sub.cDefine34 AS cDefine34,
       KX_ExpenVouch_Sub.cDefine35 AS cDefine35,
       KX_ExpenVouch_Sub.cDefine36 AS cDefine36,
       KX_ExpenVouch_Sub.cDefine37 AS cDefine37,
       KX_ExpenVouch_Sub.ts AS ts
FROM KX_ExpenVouch_Sub
JOIN KX_ExpenVouch ON KX_ExpenVouch.GUID = KX_ExpenVouch_Sub.MGuid
LEFT JOIN KX_IOItem ON KX_IOItem.strCode = KX_ExpenVouch_Sub.strIOItem;
