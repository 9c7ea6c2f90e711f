-- The panel's tables that the mail utility reads, with the columns its
-- queries name. Values the queries parse as numbers but that the panel may
-- leave odd (a mailbox quota, a limit) are kept loose so that tests can store
-- NULL or text there.
CREATE DATABASE vel CHARACTER SET utf8;
USE vel;
CREATE TABLE domains (id INT UNSIGNED NOT NULL AUTO_INCREMENT, name VARCHAR(255) NOT NULL, webspace_id INT UNSIGNED NOT NULL DEFAULT 0, limits_id INT UNSIGNED NULL, PRIMARY KEY (id), UNIQUE KEY (name)) ENGINE=InnoDB;
CREATE TABLE domainaliases (id INT UNSIGNED NOT NULL AUTO_INCREMENT, dom_id INT UNSIGNED NOT NULL, name VARCHAR(255) NOT NULL, PRIMARY KEY (id), UNIQUE KEY (name), KEY (dom_id)) ENGINE=InnoDB;
CREATE TABLE mail (id INT UNSIGNED NOT NULL AUTO_INCREMENT, dom_id INT UNSIGNED NOT NULL, mail_name VARCHAR(245) NOT NULL, mbox_quota BIGINT NULL DEFAULT -1, PRIMARY KEY (id), UNIQUE KEY (dom_id, mail_name)) ENGINE=InnoDB;
CREATE TABLE mail_aliases (id INT UNSIGNED NOT NULL AUTO_INCREMENT, mn_id INT UNSIGNED NOT NULL, alias VARCHAR(245) NOT NULL, PRIMARY KEY (id), UNIQUE KEY (mn_id, alias)) ENGINE=InnoDB;
CREATE TABLE Limits (id INT UNSIGNED NOT NULL, limit_name VARCHAR(255) NOT NULL, value VARCHAR(255) NULL, PRIMARY KEY (id, limit_name)) ENGINE=InnoDB;
CREATE TABLE misc (param VARCHAR(255) NOT NULL, val VARCHAR(255) NULL, PRIMARY KEY (param)) ENGINE=InnoDB;
