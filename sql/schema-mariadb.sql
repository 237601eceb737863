-- The eight tables of the QAR Admin database with their default names and columns, for MariaDB or
-- MySQL reached through MariaDB Connector/ODBC. Every column may be NULL: the tool inserts only the
-- columns it assigns, and the optional weight columns stay NULL until set.
--
-- Character set utf8mb4 holds every character of every ANSI code page the tool runs in; the data
-- source's CHARSET (gbk, big5, or utf8mb4 under a UTF-8 locale) tells the server how to convert the
-- bytes the tool sends. Collation utf8mb4_nopad_bin compares text byte for byte, trailing blanks and
-- letter case included, so the searched UPDATE and DELETE that match a row as it was read never match a
-- second row that differs only in case or trailing blanks. InnoDB gives the transactions that let the
-- tool undo a write that touched more than one row.
CREATE TABLE `AppTable` (
    `qar_row_id` BIGINT UNSIGNED NOT NULL AUTO_INCREMENT PRIMARY KEY INVISIBLE,
    `APP_ID` INT,
    `APP_NAME` VARCHAR(255),
    `APP_URL` VARCHAR(255),
    `GROUP_ID` INT,
    `APP_TYPE` TINYINT UNSIGNED,
    `BS_LOG` VARCHAR(255),
    `CS_WINTITLE` VARCHAR(255),
    `CS_DATA1` INT,
    `CS_DATA2` INT,
    `CS_DATA3` INT
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_nopad_bin;

CREATE TABLE `DutyClassTable` (
    `qar_row_id` BIGINT UNSIGNED NOT NULL AUTO_INCREMENT PRIMARY KEY INVISIBLE,
    `DUTY_CLASS` TINYINT UNSIGNED,
    `DUTY_CLASSNAME` VARCHAR(255),
    `SMS_COUNT` INT
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_nopad_bin;

CREATE TABLE `ParamTable` (
    `qar_row_id` BIGINT UNSIGNED NOT NULL AUTO_INCREMENT PRIMARY KEY INVISIBLE,
    `Param_Name` VARCHAR(255),
    `Param_Value` VARCHAR(255)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_nopad_bin;

CREATE TABLE `GroupTable` (
    `qar_row_id` BIGINT UNSIGNED NOT NULL AUTO_INCREMENT PRIMARY KEY INVISIBLE,
    `GROUP_ID` INT,
    `GROUP_NAME` VARCHAR(255),
    `GROUP_URL` VARCHAR(255),
    `GROUP_FTP_IP` INT,
    `GROUP_CWA_IP` INT,
    `GROUP_COUNT` INT,
    `GROUP_POWER` INT
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_nopad_bin;

CREATE TABLE `MsgtypeTable` (
    `qar_row_id` BIGINT UNSIGNED NOT NULL AUTO_INCREMENT PRIMARY KEY INVISIBLE,
    `MSG_TYPE` INT,
    `MSG_NAME` VARCHAR(255),
    `MSG_FMASK` INT
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_nopad_bin;

CREATE TABLE `UnitTable` (
    `qar_row_id` BIGINT UNSIGNED NOT NULL AUTO_INCREMENT PRIMARY KEY INVISIBLE,
    `UNIT_ID` INT,
    `UNIT_NAME` VARCHAR(255),
    `SUPER_ID` INT,
    `TREE_CLASS` TINYINT UNSIGNED,
    `UNIT_STATUS` TINYINT(1),
    `CAN_LOG` TINYINT(1),
    `OL_TIME` INT,
    `UNIT_ALIAS` VARCHAR(255),
    `LOG_PWD` VARCHAR(255),
    `GROUP_ID` INT,
    `UNIT_FLAG` INT
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_nopad_bin;

CREATE TABLE `BaseTable` (
    `qar_row_id` BIGINT UNSIGNED NOT NULL AUTO_INCREMENT PRIMARY KEY INVISIBLE,
    `USER_ID` INT,
    `PASSWORD` VARCHAR(255),
    `NAME` VARCHAR(255),
    `MACHINE_ID` INT,
    `POWER_FLAG` INT,
    `EMAIL` VARCHAR(255),
    `MOBILE` VARCHAR(255),
    `UNIT_ID` INT,
    `DUTY` VARCHAR(255),
    `USER_STATUS` TINYINT UNSIGNED,
    `OL_TIME` INT,
    `SCORE` INT,
    `DUTY_CLASS` TINYINT UNSIGNED,
    `GROUP_ID` INT
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_nopad_bin;

CREATE TABLE `ChangeTable` (
    `qar_row_id` BIGINT UNSIGNED NOT NULL AUTO_INCREMENT PRIMARY KEY INVISIBLE,
    `REC_ID` INT,
    `Table_Name` VARCHAR(255),
    `Field_Name` VARCHAR(255),
    `Key_Value` INT,
    `Change_Act` TINYINT UNSIGNED
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_nopad_bin;

-- The ids are not declared unique: the tool checks them itself before it writes, and an existing
-- database may hold duplicates that it must still be able to open. Each table gets a surrogate key of its
-- own instead, invisible to the tool's column lists and to SELECT *: a cluster or a replica applies the
-- row changes it receives by that key (without one, every replicated row is a scan of the table, and a
-- cluster that requires primary keys refuses the table). The indexes serve the lookups of the tool and
-- of the server: ids, parents, groups, and the change rows the server deletes once it has read them.
CREATE INDEX `UnitTable_UNIT_ID` ON `UnitTable` (`UNIT_ID`);
CREATE INDEX `UnitTable_SUPER_ID` ON `UnitTable` (`SUPER_ID`);
CREATE INDEX `UnitTable_GROUP_ID` ON `UnitTable` (`GROUP_ID`);
CREATE INDEX `BaseTable_USER_ID` ON `BaseTable` (`USER_ID`);
CREATE INDEX `BaseTable_UNIT_ID` ON `BaseTable` (`UNIT_ID`);
CREATE INDEX `BaseTable_GROUP_ID` ON `BaseTable` (`GROUP_ID`);
CREATE INDEX `GroupTable_GROUP_ID` ON `GroupTable` (`GROUP_ID`);
CREATE INDEX `ChangeTable_REC_ID` ON `ChangeTable` (`REC_ID`);
