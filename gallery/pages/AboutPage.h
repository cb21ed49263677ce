#pragma once

class QWidget;

// The library's name and version, read from the main bundle's Info.json.
QWidget* makeAboutPage();
