-- The catalog as the module's SQL asks it: user tables ('U') and views ('V') by name.
CREATE VIEW sysobjects AS
SELECT name COLLATE NOCASE AS name,
       rowid AS id,
       CASE type WHEN 'table' THEN 'U' ELSE 'V' END AS xtype,
       CASE type WHEN 'table' THEN 'U' ELSE 'V' END AS type
FROM sqlite_master
WHERE type IN ('table', 'view') AND name NOT LIKE 'sqlite\_%' ESCAPE '\';
