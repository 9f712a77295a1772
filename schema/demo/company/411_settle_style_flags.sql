-- Cheques are the demo company's bill settlement.
UPDATE SettleStyle SET bSSFlag = 1 WHERE cSSCode = '2';
