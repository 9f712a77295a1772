-- Column settings of grids, per user and grid key, kept as the XML the pages exchange. The row of
-- the empty user holds the defaults of a grid.
CREATE TABLE ColumnSetting (
  cUser_ID nvarchar(20) COLLATE NOCASE NOT NULL,
  cKey nvarchar(60) COLLATE NOCASE NOT NULL,
  cXml ntext NOT NULL,
  CONSTRAINT PK_ColumnSetting PRIMARY KEY (cUser_ID, cKey)
);
