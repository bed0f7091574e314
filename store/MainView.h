#pragma once

class TRadioGroup;
class TCheckListBox;
class TImage;
class TCheckBox;

// The main window's controls that the commands read and change, handed to code below the main
// window so that it needs no knowledge of the window class itself.
struct MainView {
  TRadioGroup& LibGroup;
  TCheckListBox& CheckListBox1;
  TImage& Image1;
  TCheckBox& CheckBox1;
  TCheckBox& CheckBox2;
};
