-- The record of the tables made in tempdb, each with the time it was made (UTC,
-- yyyy-mm-dd hh:mm:ss): a table left behind is swept once it is a day old.
CREATE TABLE ScratchTableBirth (
    cName TEXT NOT NULL PRIMARY KEY COLLATE NOCASE,
    dCreated TEXT NOT NULL
);
