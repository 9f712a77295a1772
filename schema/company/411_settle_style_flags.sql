-- Settle styles are a tree: bSSEnd marks a leaf, the only kind a voucher line may name (Null
-- counts as a leaf). bSSFlag marks a bill settlement (cheques), whose lines need a bill number.
ALTER TABLE SettleStyle ADD COLUMN bSSEnd bit NULL DEFAULT 1;
ALTER TABLE SettleStyle ADD COLUMN bSSFlag bit NULL DEFAULT 0;
