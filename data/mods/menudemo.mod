ModName=menudemo
ModFullName=Menu Demo: every widget and message box
ModAuthor=The Kaz engine team
ModWebSite=
ModLogo=
ModVersion=0.1.0
ModPackages=menudemo
ClassName=MenuDemo.MenuDemoApplication
