ModName=embers
ModFullName=Embers
ModAuthor=The Kaz engine team
ModWebSite=
ModLogo=
ModVersion=0.1.0
ModPackages=embers;embers_built;gallery;gallery_built
ClassName=EmbersApplication
