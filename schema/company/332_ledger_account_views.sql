-- The ledger account rules with the names of what they refer to. A rule whose operation type,
-- item, bank, settle style or account is unknown still shows, with an empty name.
CREATE VIEW vwKXIOKM AS
SELECT KX_PzSet_IO.GUID AS GUID,
       KX_PzSet_IO.strOperatType AS strOperatType,
       KX_OperationType.strName AS strOperatName,
       KX_PzSet_IO.strIOItemCode AS strIOItemCode,
       KX_IOItem.strName AS strIOItemName,
       KX_PzSet_IO.strCurrency AS strCurrency,
       KX_PzSet_IO.strSubject AS strCode,
       code.ccode_name AS strCodeName,
       KX_PzSet_IO.blnModiDire AS blnModiDire,
       KX_PzSet_IO.ts AS ts
FROM KX_PzSet_IO
LEFT JOIN KX_OperationType ON KX_OperationType.strCode = KX_PzSet_IO.strOperatType
LEFT JOIN KX_IOItem ON KX_IOItem.strCode = KX_PzSet_IO.strIOItemCode
LEFT JOIN code ON code.ccode = KX_PzSet_IO.strSubject;

CREATE VIEW vwKXOPKM AS
SELECT KX_PzSet_OP.GUID AS GUID,
       KX_PzSet_OP.strOperatType AS strOperatType,
       KX_PzSet_OP.strBalanceType AS strBalanceType,
       SettleStyle.cSSName AS strBalanceName,
       KX_PzSet_OP.strBankID AS strBankID,
       Bank.cBName AS cBName,
       Bank.cBAccount AS cBAccount,
       KX_PzSet_OP.strCurrency AS strCurrency,
       KX_PzSet_OP.strSubject AS strCode,
       code.ccode_name AS strCodeName,
       KX_PzSet_OP.ts AS ts
FROM KX_PzSet_OP
LEFT JOIN SettleStyle ON SettleStyle.cSSCode = KX_PzSet_OP.strBalanceType
LEFT JOIN Bank ON Bank.cBCode = KX_PzSet_OP.strBankID
LEFT JOIN code ON code.ccode = KX_PzSet_OP.strSubject;
