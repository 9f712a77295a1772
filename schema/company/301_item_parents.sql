-- Adding and deleting an item look up the children of its parent by strUpCode.
CREATE INDEX KX_IOItem_strUpCode ON KX_IOItem (strUpCode);
