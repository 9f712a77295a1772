-- Row rights: which rows of a business object ("department", "person", "fitem", "user",
-- "djmb", ...) a user may see. An object listed in RowRightObject with bControl 1 restricts every
-- user who is not an administrator to the ids granted in RowRightGrant to the user himself
-- (iIsUser 1) or to one of his groups (iIsUser 0, groups from vqsystem..UA_Role); a user with no
-- grant for such an object sees none of its rows. Objects not listed, or listed with bControl 0,
-- restrict nobody.
CREATE TABLE RowRightObject (
  cBusObject nvarchar(20) COLLATE NOCASE NOT NULL,
  cName nvarchar(60) COLLATE NOCASE NULL,
  bControl bit NOT NULL DEFAULT 1,
  CONSTRAINT PK_RowRightObject PRIMARY KEY (cBusObject)
);

-- cObjectID is the id as the vouchers store it: a department code, a person code, an item code,
-- a user id (answered as the user's name, which the vouchers record), a template id. cKey
-- narrows a grant where ids repeat across groups: the item class for "fitem", the card number
-- for "djmb"; empty otherwise.
CREATE TABLE RowRightGrant (
  cHolder_ID nvarchar(20) COLLATE NOCASE NOT NULL,
  iIsUser bit NOT NULL,
  cBusObject nvarchar(20) COLLATE NOCASE NOT NULL,
  cKey nvarchar(20) COLLATE NOCASE NOT NULL DEFAULT '',
  cObjectID nvarchar(40) COLLATE NOCASE NOT NULL,
  CONSTRAINT PK_RowRightGrant PRIMARY KEY (cHolder_ID, iIsUser, cBusObject, cKey, cObjectID)
);
