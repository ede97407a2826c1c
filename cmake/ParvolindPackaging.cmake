# The Debian package parvolind_<version>_amd64.deb, made by CPack from the install rules
# (`cpack -G DEB` in a configured build folder; scripts/package.sh builds a release with
# Debian's hardening flags, packs it and checks the result).

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME parvolind)
set(CPACK_PACKAGE_VENDOR Orbelt)
set(CPACK_PACKAGE_CONTACT "Parvolind-Team <parvolind@orbelt.example>")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Debian's package tools expect 0755 folders and files without group write.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keeps two folders in step, by hand or on a schedule")
# The extended description in English, as Debian's tools expect, followed by the German
# one for the program's own users. CPack puts the summary in front, indents every line
# and turns the empty line between the paragraphs into Debian's " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[Parvolind keeps the contents of two folders in step, for example your
documents and their copy on a USB stick. Each named job gives the two
folders, the direction in which files are copied, which files count (all,
new and changed ones, or only older ones to be replaced; by file type and
age), whether surplus files are deleted and whether equal-looking files are
compared by CRC-32. A tray program runs due jobs every few minutes or at a
time of day on chosen weekdays and logs every run; parvolind-cli lists,
shows, runs, exports and imports jobs for scripts and cron. The program
speaks German.

Parvolind hält den Inhalt zweier Verzeichnisse auf dem gleichen Stand, zum
Beispiel Ihre Dokumente und deren Kopie auf einem USB-Stick. Jeder benannte
Auftrag nennt die beiden Verzeichnisse, die Richtung, in der Dateien kopiert
werden, welche Dateien zählen, ob überzählige Dateien gelöscht und ob
vermeintlich gleiche Dateien über CRC-32 verglichen werden. Ein Programm im
Infobereich führt fällige Aufträge alle paar Minuten oder zu einer Uhrzeit
an gewählten Wochentagen durch und schreibt jeden Lauf in ein Logfile;
parvolind-cli listet, zeigt, führt durch, sichert und lädt Aufträge für
Skripte und cron.]=])

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://orbelt.example/parvolind/")
# The libraries come from dpkg-shlibdeps. The window cannot open without Qt's platform
# plugins, which libqt6gui6 only recommends.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The window font, and the German texts of Qt's own dialogs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wine, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

include(CPack)
