ModName=@NAME@
ModFullName=@TITLE@
ModAuthor=
ModWebSite=
ModLogo=
ModVersion=0.1.0
ModPackages=@NAME@
ClassName=@NAME@.Game
