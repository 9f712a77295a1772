-- The demo's bank account keeps the settle style and bill number of its lines.
UPDATE code SET be = 1 WHERE ccode = '1002';
