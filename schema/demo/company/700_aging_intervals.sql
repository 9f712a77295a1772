-- The demo company's loan aging intervals: up to 30 days, 31 to 60, 61 to 90, and beyond.
INSERT INTO AgingIntervals (cSub_ID, cXml) VALUES
  ('KX', '<age><row cdays="30天以内" icount="30"/><row cdays="31-60天" icount="60"/><row cdays="61-90天" icount="90"/><row cdays="90天以上" icount="0"/></age>');
