#pragma once
// The pages' remembered choices in the program's key, with the rules by
// which they are read (created with their defaults when missing) and
// written (never creating the key).

#include <cstdint>
#include <string>

class KeyStore;

inline const std::string kStartChoiceValue = "PAGE1_RadioButton_Selected";
inline const std::string kSavePathValue = "PAGE4_SaveToFile_Path_P4";
inline const std::string kReplicatePathValue = "PAGE6_ReplicateFromFile_Path_P6";
inline const std::string kClockOptionValue = "PAGE6_Check1_ReplicateFromFile_Path_P6";
// Ours: whether a write reads every area back and compares it (on unless
// the engineer turns it off).
inline const std::string kVerifyOptionValue = "PAGE6_Check2_Verify_P6";
// Ours: whether a write first keeps what the device held in a backup file
// (off unless the engineer turns it on).
inline const std::string kBackupOptionValue = "PAGE6_Check3_Backup_P6";

// The path offered where none is stored yet: on Windows the root of drive
// C:, elsewhere 1st_project.klx41 in the user's documents folder, where
// the engineer will find what Next on page 4 saved there.
std::string DefaultConfigPath();

// Start page: 1 save to file, 2 replicate from file, 3 replicate from a
// device; anything else counts as 1 when mapped to a button.
uint32_t ReadStartChoice(KeyStore& keys);
void StoreStartChoice(KeyStore& keys, uint32_t choice);
int StartRadioForChoice(uint32_t choice);

// File pages: the last path chosen with "...".
std::string ReadStoredPath(KeyStore& keys, const std::string& valueName);
void StorePath(KeyStore& keys, const std::string& valueName, const std::string& path);

// Clock option of page 6, read by the page and again by the write sequence.
uint32_t ReadClockOption(KeyStore& keys);
void StoreClockOption(KeyStore& keys, bool on);

// Verification option of page 6, kept like the clock option (default 1).
uint32_t ReadVerifyOption(KeyStore& keys);
void StoreVerifyOption(KeyStore& keys, bool on);

// Backup option, kept like the clock option (default 0).
uint32_t ReadBackupOption(KeyStore& keys);
void StoreBackupOption(KeyStore& keys, bool on);

// Where the wizard keeps its backups: "Mirrex/Резервные копии" in the
// user's documents folder as the system names it.
std::string WizardBackupFolder();
