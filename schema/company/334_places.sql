-- The places tree, as far as the option checks read it (the longest place code). Created only
-- when the account does not hold it yet.
CREATE TABLE IF NOT EXISTS KX_Position (
  strPositionCode nvarchar(20) COLLATE NOCASE NOT NULL,
  strPositionName nvarchar(50) COLLATE NOCASE NOT NULL,
  CONSTRAINT PK_KX_Position PRIMARY KEY (strPositionCode)
);
