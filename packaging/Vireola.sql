-- What the WiX source says that wixl 0.101 leaves out of the package, put in
-- by scripts/package.sh with msibuild, one statement a line.
-- The Run value only with AUTOSTART=1 (the RunAtLogon component's condition):
UPDATE `Component` SET `Condition` = 'AUTOSTART = "1"' WHERE `Component` = 'RunAtLogon'
-- AUTOSTART and INSTALLDIR reach the installation when a fleet tool installs
-- the package for the user (a managed installation passes only secure public
-- properties):
UPDATE `Property` SET `Value` = 'AUTOSTART;INSTALLDIR;WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED' WHERE `Property` = 'SecureCustomProperties'
-- A package of the installed version built again replaces it instead of
-- installing beside it (AllowSameVersionUpgrades): the upgrade row takes its
-- own version in, msidbUpgradeAttributesVersionMaxInclusive 0x200 beside
-- msidbUpgradeAttributesMigrateFeatures 1. Attributes is part of the row's
-- key, so the row is made again; @VERSION_MSI@ is the ProductVersion.
DELETE FROM `Upgrade` WHERE `ActionProperty` = 'WIX_UPGRADE_DETECTED'
INSERT INTO `Upgrade` (`UpgradeCode`, `VersionMax`, `Attributes`, `ActionProperty`) VALUES ('{7757C2D4-9466-4942-AED2-223A8FC7FB93}', '@VERSION_MSI@', 513, 'WIX_UPGRADE_DETECTED')
