-- Users, their groups and the function rights they hold per account and year.

-- cPassword holds a salted slow hash of the password made by the host's password codec, never
-- the password itself or anything it can be read back from. Client queries cannot read it.
CREATE TABLE UA_User (
  cUser_ID nvarchar(20) COLLATE NOCASE NOT NULL,
  cUser_Name nvarchar(40) COLLATE NOCASE NOT NULL,
  cPassword nvarchar(256) COLLATE NOCASE NULL,
  CONSTRAINT PK_UA_User PRIMARY KEY (cUser_ID)
);

-- Group membership: the user cUser_id belongs to the group cgroup_id.
CREATE TABLE UA_Role (
  cUser_id nvarchar(20) COLLATE NOCASE NOT NULL,
  cgroup_id nvarchar(20) COLLATE NOCASE NOT NULL,
  CONSTRAINT PK_UA_Role PRIMARY KEY (cUser_id, cgroup_id)
);

-- The function rights known to the host.
CREATE TABLE UA_Auth (
  cAuth_ID nvarchar(20) COLLATE NOCASE NOT NULL,
  cAuth_Name nvarchar(60) COLLATE NOCASE NOT NULL,
  cAuth_Name_EN nvarchar(60) COLLATE NOCASE NULL,
  cSub_ID nvarchar(2) COLLATE NOCASE NULL,
  CONSTRAINT PK_UA_Auth PRIMARY KEY (cAuth_ID)
);

-- Rights held in an account and year, by a user (iIsuser 1) or a group (iIsuser 0). The right
-- 'ADMIN' lets its holder into the account-year whatever other rights it holds.
CREATE TABLE UA_HoldAuth (
  cAcc_ID nvarchar(3) COLLATE NOCASE NOT NULL,
  iYear smallint NOT NULL,
  cUser_ID nvarchar(20) COLLATE NOCASE NOT NULL,
  iIsUser bit NOT NULL,
  cAuth_ID nvarchar(20) COLLATE NOCASE NOT NULL,
  CONSTRAINT PK_UA_HoldAuth PRIMARY KEY (cAcc_ID, iYear, cUser_ID, iIsUser, cAuth_ID)
);

-- Rights taken at this moment: who took which right in which account and year, and when. It
-- holds only the rights held now, so it has no index: a scan costs nothing, and every take and
-- release then commits one page instead of two.
CREATE TABLE UA_Task (
  cAuth_ID nvarchar(20) COLLATE NOCASE NOT NULL,
  cAcc_ID nvarchar(3) COLLATE NOCASE NOT NULL,
  iYear smallint NOT NULL,
  cUser_ID nvarchar(20) COLLATE NOCASE NOT NULL,
  dTakenAt datetime NOT NULL
);

-- Module locks set by an administrator: while bLocked is 1 the module cSub_ID may not write in
-- the year iYear; iKind is the kind of lock the caller asks about.
CREATE TABLE UA_ModuleLock (
  iKind int NOT NULL,
  cSub_ID nvarchar(2) COLLATE NOCASE NOT NULL,
  iYear smallint NOT NULL,
  bLocked bit NOT NULL DEFAULT 0,
  CONSTRAINT PK_UA_ModuleLock PRIMARY KEY (iKind, cSub_ID, iYear)
);
