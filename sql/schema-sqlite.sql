-- The eight tables of the QAR Admin database with their default names and columns, for the SQLite
-- database file reached through the SQLite ODBC driver. Text is stored as the ANSI code page bytes the
-- tool sends; the driver passes them through unchanged. Every column may be NULL: the tool inserts only
-- the columns it assigns, and the optional weight columns stay NULL until set.
CREATE TABLE "AppTable" (
    "APP_ID" INTEGER,
    "APP_NAME" VARCHAR(255),
    "APP_URL" VARCHAR(255),
    "GROUP_ID" INTEGER,
    "APP_TYPE" TINYINT,
    "BS_LOG" VARCHAR(255),
    "CS_WINTITLE" VARCHAR(255),
    "CS_DATA1" INTEGER,
    "CS_DATA2" INTEGER,
    "CS_DATA3" INTEGER
);

CREATE TABLE "DutyClassTable" (
    "DUTY_CLASS" TINYINT,
    "DUTY_CLASSNAME" VARCHAR(255),
    "SMS_COUNT" INTEGER
);

CREATE TABLE "ParamTable" (
    "Param_Name" VARCHAR(255),
    "Param_Value" VARCHAR(255)
);

CREATE TABLE "GroupTable" (
    "GROUP_ID" INTEGER,
    "GROUP_NAME" VARCHAR(255),
    "GROUP_URL" VARCHAR(255),
    "GROUP_FTP_IP" INTEGER,
    "GROUP_CWA_IP" INTEGER,
    "GROUP_COUNT" INTEGER,
    "GROUP_POWER" INTEGER
);

CREATE TABLE "MsgtypeTable" (
    "MSG_TYPE" INTEGER,
    "MSG_NAME" VARCHAR(255),
    "MSG_FMASK" INTEGER
);

CREATE TABLE "UnitTable" (
    "UNIT_ID" INTEGER,
    "UNIT_NAME" VARCHAR(255),
    "SUPER_ID" INTEGER,
    "TREE_CLASS" TINYINT,
    "UNIT_STATUS" BIT,
    "CAN_LOG" BIT,
    "OL_TIME" INTEGER,
    "UNIT_ALIAS" VARCHAR(255),
    "LOG_PWD" VARCHAR(255),
    "GROUP_ID" INTEGER,
    "UNIT_FLAG" INTEGER
);

CREATE TABLE "BaseTable" (
    "USER_ID" INTEGER,
    "PASSWORD" VARCHAR(255),
    "NAME" VARCHAR(255),
    "MACHINE_ID" INTEGER,
    "POWER_FLAG" INTEGER,
    "EMAIL" VARCHAR(255),
    "MOBILE" VARCHAR(255),
    "UNIT_ID" INTEGER,
    "DUTY" VARCHAR(255),
    "USER_STATUS" TINYINT,
    "OL_TIME" INTEGER,
    "SCORE" INTEGER,
    "DUTY_CLASS" TINYINT,
    "GROUP_ID" INTEGER
);

CREATE TABLE "ChangeTable" (
    "REC_ID" INTEGER,
    "Table_Name" VARCHAR(255),
    "Field_Name" VARCHAR(255),
    "Key_Value" INTEGER,
    "Change_Act" TINYINT
);

-- Keys are not declared unique: the tool checks ids itself before it writes, and an existing database
-- may hold duplicates that it must still be able to open. The indexes serve the lookups of the tool and
-- of the server: ids, parents, groups, and the change rows the server deletes once it has read them.
CREATE INDEX "UnitTable_UNIT_ID" ON "UnitTable" ("UNIT_ID");
CREATE INDEX "UnitTable_SUPER_ID" ON "UnitTable" ("SUPER_ID");
CREATE INDEX "UnitTable_GROUP_ID" ON "UnitTable" ("GROUP_ID");
CREATE INDEX "BaseTable_USER_ID" ON "BaseTable" ("USER_ID");
CREATE INDEX "BaseTable_UNIT_ID" ON "BaseTable" ("UNIT_ID");
CREATE INDEX "BaseTable_GROUP_ID" ON "BaseTable" ("GROUP_ID");
CREATE INDEX "GroupTable_GROUP_ID" ON "GroupTable" ("GROUP_ID");
CREATE INDEX "ChangeTable_REC_ID" ON "ChangeTable" ("REC_ID");
