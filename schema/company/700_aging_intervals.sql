-- The aging intervals of each module, kept by the embedded aging component as the interval
-- document the pages exchange: an <age> element with one <row cdays='..' icount='..'/> per
-- interval.
CREATE TABLE AgingIntervals (
  cSub_ID nvarchar(10) COLLATE NOCASE NOT NULL,
  cXml ntext NOT NULL,
  CONSTRAINT PK_AgingIntervals PRIMARY KEY (cSub_ID)
);
