// Catalogue messages that no code or form shows at present. lupdate keeps only
// what it finds in the sources it reads, so these are written down here for it.
// Read by the update_translations target only; never compiled.
QT_TRANSLATE_NOOP("MainWindow", "注意")
