-- What the WiX source says that wixl 0.101 leaves out of the package, put in
-- by scripts/package.sh with msibuild, one statement a line.
-- The Run value only with AUTOSTART=1 (the RunAtLogon component's condition):
UPDATE `Component` SET `Condition` = 'AUTOSTART = "1"' WHERE `Component` = 'RunAtLogon'
-- AUTOSTART reaches the installation when a fleet tool installs the package
-- for the user (a managed installation passes only secure public properties):
UPDATE `Property` SET `Value` = 'AUTOSTART;WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED' WHERE `Property` = 'SecureCustomProperties'
