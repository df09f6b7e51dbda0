// Identifiers of the form, its controls and the other resources.
#pragma once

#define IDD_SCHEDULER 101
#define IDI_APP 103

#define IDC_DIAL_TIME 1005
#define IDC_DIAL_TIME_LABEL 1006
#define IDC_HIDE 1007
#define IDC_CLOSE 1008
#define IDC_START 1009
#define IDC_DIAL_DATE_LABEL 1011
#define IDC_DIAL_DATE 1012
#define IDC_HANGUP_TIME_LABEL 1017
#define IDC_HANGUP_TIME 1018
#define IDC_HANGUP_DATE_LABEL 1019
#define IDC_HANGUP_DATE 1020
#define IDC_ENTRY 1022
#define IDC_DIAL_ENABLE 1023
#define IDC_HANGUP_ENABLE 1024
#define IDC_USER 1025
#define IDC_PASSWORD 1026
#define IDC_PASSWORD_LABEL 1027
#define IDC_DOMAIN 1028
#define IDC_STATUS 1029

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
