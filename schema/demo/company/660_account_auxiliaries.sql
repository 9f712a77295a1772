-- The demo's auxiliary accounting: loans receivable by person (the department follows the
-- person), expenses by department and project item, payables by person.
UPDATE code SET bperson = 1 WHERE ccode IN ('1221', '2241');
UPDATE code SET bdept = 1, cass_item = '01' WHERE ccode IN ('6602', '660201', '660202');
INSERT INTO dsign (csign, ctext) VALUES ('记', '记账凭证');
