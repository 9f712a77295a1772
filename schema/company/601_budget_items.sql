-- The host budget's items: a voucher's budget item (strBudItemID) names one by its code.
CREATE TABLE BG_Item (
  cItemCode nvarchar(20) COLLATE NOCASE NOT NULL,
  cItemName nvarchar(60) COLLATE NOCASE NOT NULL,
  CONSTRAINT PK_BG_Item PRIMARY KEY (cItemCode)
);
