-- The tables the report data sources filled for the report engine, with the time each was made
-- (UTC, text yyyy-mm-dd hh:mm:ss): the engine reads them after the data source is done, and a
-- table left over from more than a day ago is swept when a data source next fills one.
CREATE TABLE ReportTableBirth (
  cName nvarchar(60) COLLATE NOCASE NOT NULL,
  dCreated nvarchar(19) NOT NULL,
  CONSTRAINT PK_ReportTableBirth PRIMARY KEY (cName)
);
